// Sector ranges, each tagged with the entry it belongs to, that answer which
// of them meet a given range. The ranges are kept in classes by length (one
// class per power of two), each sorted by first sector: a range of a class
// can meet the query only if it starts at most its class's longest length
// before the query, so each class is searched in a narrow window, and a few
// long ranges (a metadata file over the whole disc) cost no more than a
// class of their own.
#pragma once

#include <array>
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

  // Builds the structure from ranges (in any order; each first <= last).
  explicit SectorIntervals(std::vector<Tagged> ranges);
  SectorIntervals() = default;

  // Calls found(tagged) for every range that meets [first, last].
  template <typename Found>
  void ForEachMeeting(std::uint64_t first, std::uint64_t last, Found found) const {
    for (std::size_t k = 0; k < classes_.size(); ++k) {
      const std::vector<Tagged>& ranges = classes_[k];
      if (ranges.empty()) continue;
      for (std::size_t i = LowerBound(ranges, EarliestStart(k, first));
           i < ranges.size() && ranges[i].range.first <= last; ++i)
        if (ranges[i].range.last >= first) found(ranges[i]);
    }
  }

 private:
  // The first sector a range of class k may start at and still reach sector.
  static std::uint64_t EarliestStart(std::size_t k, std::uint64_t sector);
  // The index of the first range of ranges that starts at or after sector.
  static std::size_t LowerBound(const std::vector<Tagged>& ranges, std::uint64_t sector);

  // classes_[k]: the ranges of 2^k to 2^(k+1) - 1 sectors, by first sector.
  std::array<std::vector<Tagged>, 64> classes_;
};
