// Where the sectors of a cue sheet's tracks lie on the disc it describes: the
// addresses of tracks and sessions, and for each run of addresses the file
// and byte offset its sectors come from.
//
// Addresses count as on a CD: address 0 is the first track's index 1, however
// long its pregap (PREGAP or INDEX 00): the two seconds of pregap every
// session's first track has lie before it, and what a sheet puts before
// those lies before the disc's start, where nothing reads. A
// session after the first starts where a disc writer puts it: after the
// previous session's lead-out (90 s after the first session, 30 s after
// later ones) and the new session's lead-in (60 s), with its first track's
// pregap (two seconds unless the sheet gives one). The lead-out and lead-in
// are in no run: reading them fails, as on a disc.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Backend.h"
#include "image/CueSheet.h"

namespace wrenlo {

struct CueRun {
  std::uint32_t start = 0;  // first address
  std::uint32_t count = 0;
  CueTrackType type = CueTrackType::Mode1Cooked;
  bool inFile = false;       // false: pregap or postgap sectors that read as zeros
  std::size_t file = 0;      // index into CueSheet::files
  std::uint64_t offset = 0;  // of the run's first sector in the file, in bytes
};

struct CueDisc {
  std::vector<CueRun> runs;  // ascending, not overlapping, none empty
  std::vector<SessionLayout> sessions;
  std::vector<TrackLayout> tracks;
  std::uint32_t sectorCount = 0;  // the end of the last session
};

// Lays out sheet over files of these sizes (bytes, one per sheet.files). A
// file's last track runs to the file's last whole sector. False with problem
// set ("cue line N: ..." where a line is to blame) when the sheet and the
// files do not fit together.
bool LayOutCueSheet(const CueSheet& sheet, const std::vector<std::uint64_t>& fileBytes,
                    CueDisc& disc, std::string& problem);

}  // namespace wrenlo
