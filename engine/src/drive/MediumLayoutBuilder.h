// The medium's sessions and tracks from what the drive said of it: the TOC
// always, READ TRACK INFORMATION per track where the drive has it (exact
// track sizes, session numbers and data modes). A drive without it gives
// each track's session, its session's lead-out and the session's disc type
// in the CD's full TOC; without that too, every track is in session 1 and
// runs to the next track's start or to the lead-out.
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
  std::optional<FullToc> fullToc;            // READ TOC format 2, where asked and answered
};

// kOk and out filled, or kNoMedium when the TOC lists no track.
Result BuildMediumLayout(const MediumFacts& facts, MediumLayout& out);

// The medium type's name for an MMC profile ("CD-ROM", "DVD+RW", ...).
std::u16string ProfileName(std::uint16_t profile);

}  // namespace wrenlo::drive
