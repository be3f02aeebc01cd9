// The 2048 bytes ReadSectors gives for one sector of a CD image, out of the
// form a cue sheet's track stores it in, checked as a drive checks it:
//   audio (2352 bytes)       the first 2048 bytes of the frame, unchecked
//   MODE1/2048               the sector itself
//   MODE1/2352, MODE2/2352   the sync pattern and the header (address and
//                            mode) must match; then as the header's mode says:
//   mode 1                   the 2048 user bytes; their EDC must match
//   mode 2 form 1            the 2048 user bytes after the subheader; EDC too
//   mode 2 form 2            the first 2048 of the 2324 user bytes; the EDC
//                            must match unless it is 0 (none recorded)
//   mode 0                   zeros
//   MODE2/2336               as mode 2, without sync and header
// A sector that fails a check reads as a failed read (kMediumError), as a
// drive reports a sector it cannot correct.
#pragma once

#include <cstdint>

#include "Bytes.h"
#include "Result.h"
#include "image/CueSheet.h"
#include "image/SectorEdc.h"

namespace wrenlo {

// The user data of one stored sector (SectorBytes(type) bytes) found at this
// address; out receives 2048 bytes.
Result UserData(CueTrackType type, std::uint32_t address, const std::uint8_t* stored,
                std::uint8_t* out);

}  // namespace wrenlo
