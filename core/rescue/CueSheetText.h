// The cue sheet of a BIN/CUE copy: its one BIN file and each copied track
// with its type (MODE1/2352, MODE2/2352, AUDIO) and where its index 1 lies in
// the file, the sessions named with REM SESSION when there are several.
//
// A disc reports where each track's index 1 is, and counts the gap before it
// in the track before; but the sectors of that gap are in the form of the
// track they lead into (the silence before an audio track after a data
// track). So where a track's form differs from the one before, the sectors
// of its form just before its index 1 are its INDEX 00, as the copy found
// them: a reader of the sheet then takes each sector in its own form.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/rescue/CopyPlan.h"

// What one whole sector of the image holds: a data sector of mode 1 or 2
// (sync and header), or anything else (audio, or a sector not copied yet).
enum class WholeSectorForm { Other, Mode1, Mode2 };

// The sheet of plan's copy into the BIN file binName (a name in the sheet's
// folder), with formAt telling the form of an image sector.
std::string CueSheetText(const CopyPlan& plan, const std::string& binName,
                         const std::function<WholeSectorForm(std::uint64_t)>& formAt);

// The form of a whole 2352-byte sector.
WholeSectorForm FormOfWholeSector(const std::uint8_t* sector);
