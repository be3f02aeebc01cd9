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
//
// A raw read gives the whole 2352 bytes instead: an audio frame or a raw
// data sector as stored (after the same checks), a MODE2/2336 sector with its
// sync and header put before it, a MODE1/2048 sector built whole as a disc
// writer records it (sync, header, user data, EDC and ECC).
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

// Bytes of a whole CD sector.
inline constexpr std::size_t kWholeSectorBytes = 2352;

// The whole sector of one stored sector (SectorBytes(type) bytes) found at
// this address; out receives 2352 bytes.
Result WholeSector(CueTrackType type, std::uint32_t address, const std::uint8_t* stored,
                   std::uint8_t* out);

// A Mode 1 sector at address holding the 2048 bytes at user, as a disc
// writer records it: sync, header, user data, EDC, eight zeros, ECC.
void BuildMode1Sector(std::uint32_t address, const std::uint8_t* user, std::uint8_t* out);

// The whole sector of a gap of a track of this type that no file holds
// (a pregap or postgap of the sheet): silence for audio, a sector of zero
// user data in the track's mode otherwise, which reads as zeros.
void GapSector(CueTrackType type, std::uint32_t address, std::uint8_t* out);

}  // namespace wrenlo
