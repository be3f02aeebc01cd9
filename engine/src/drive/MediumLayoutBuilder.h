// The medium's sessions and tracks from what the drive said of it: the TOC
// always, READ TRACK INFORMATION per track where the drive has it (exact
// track sizes and session numbers). A drive without it still gets correct
// records for a single-session medium: each track runs to the next track's
// start or to the lead-out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Backend.h"
#include "MediumReplies.h"

namespace wrenlo::drive {

struct MediumFacts {
  Toc toc;
  // READ TRACK INFORMATION for the TOC's tracks in TOC order; shorter than
  // the track list (or empty) when the drive does not answer it.
  std::vector<TrackInfo> trackInfo;
  std::optional<std::uint32_t> sectorCount;  // from READ CAPACITY
};

// kOk and out filled, or kNoMedium when the TOC lists no track.
Result BuildMediumLayout(const MediumFacts& facts, MediumLayout& out);

// The medium type's name for an MMC profile ("CD-ROM", "DVD+RW", ...).
std::u16string ProfileName(std::uint16_t profile);

}  // namespace wrenlo::drive
