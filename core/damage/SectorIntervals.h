// Sector ranges, each tagged with the entry it belongs to, that answer which
// of them meet a given range: sorted by first sector, with the greatest last
// sector seen so far beside each, so that a look-up walks back from the end
// of the range only as far as a range can still reach into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/damage/DiscLayout.h"

class SectorIntervals {
 public:
  struct Tagged {
    SectorRange range;
    std::size_t entry = 0;
  };

  // Builds the structure from ranges (in any order).
  explicit SectorIntervals(std::vector<Tagged> ranges);
  SectorIntervals() = default;

  // Calls found(tagged) for every range that meets [first, last].
  template <typename Found>
  void ForEachMeeting(std::uint64_t first, std::uint64_t last, Found found) const {
    std::size_t i = UpperBound(last);
    while (i > 0) {
      --i;
      if (reach_[i] < first) break;
      if (ranges_[i].range.last >= first) found(ranges_[i]);
    }
  }

 private:
  // The count of ranges whose first sector is at most sector.
  std::size_t UpperBound(std::uint64_t sector) const;

  std::vector<Tagged> ranges_;        // by first sector
  std::vector<std::uint64_t> reach_;  // reach_[i]: greatest last sector of ranges_[0..i]
};
