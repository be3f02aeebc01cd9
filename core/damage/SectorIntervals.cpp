#include "core/damage/SectorIntervals.h"

#include <algorithm>

SectorIntervals::SectorIntervals(std::vector<Tagged> ranges) : ranges_(std::move(ranges)) {
  std::sort(ranges_.begin(), ranges_.end(),
            [](const Tagged& a, const Tagged& b) { return a.range.first < b.range.first; });
  reach_.resize(ranges_.size());
  std::uint64_t reach = 0;
  for (std::size_t i = 0; i < ranges_.size(); ++i) {
    reach = std::max(reach, ranges_[i].range.last);
    reach_[i] = reach;
  }
}

std::size_t SectorIntervals::UpperBound(std::uint64_t sector) const {
  const auto end = std::upper_bound(
      ranges_.begin(), ranges_.end(), sector,
      [](std::uint64_t value, const Tagged& tagged) { return value < tagged.range.first; });
  return static_cast<std::size_t>(end - ranges_.begin());
}
