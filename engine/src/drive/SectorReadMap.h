// How each sector of a CD is read, from its tracks' modes: data Mode 1 with
// READ(10), audio and Mode 2 with READ CD (READ(10) is refused for audio
// sectors and Mode 2 Form 2). Sectors outside every track (gaps between
// sessions, past the end) and all sectors of other media are read as blocks.
#pragma once

#include <cstdint>
#include <vector>

#include "Backend.h"

namespace wrenlo::drive {

enum class SectorRead : std::uint8_t {
  kBlocks,     // READ(10)/READ(12), 2048 bytes a sector
  kAudio,      // READ CD, CD-DA
  kWholeData,  // READ CD, any data sector whole; its header says where the user data is
};

class SectorReadMap {
 public:
  SectorReadMap() = default;
  // From a CD's layout; tracks without sectors add nothing, an overlapping
  // track starts where the one before it ends.
  explicit SectorReadMap(const MediumLayout& layout);

  struct Run {
    SectorRead how = SectorRead::kBlocks;
    std::uint64_t end = 0;  // one past the last sector read the same way
  };
  Run At(std::uint32_t address) const;
  // Whether the map is a CD's, whose sectors READ CD reads whole.
  bool IsCd() const { return cd_; }

 private:
  struct Track {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    SectorRead how = SectorRead::kBlocks;
  };
  std::vector<Track> tracks_;  // ascending, not overlapping
  bool cd_ = false;
};

}  // namespace wrenlo::drive
