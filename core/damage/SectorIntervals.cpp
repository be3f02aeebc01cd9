#include "core/damage/SectorIntervals.h"

#include <algorithm>
#include <bit>

SectorIntervals::SectorIntervals(std::vector<Tagged> ranges) {
  for (const Tagged& tagged : ranges) {
    const std::uint64_t length = tagged.range.last - tagged.range.first + 1;
    // A range over all 2^64 sectors has length 0 here; it joins the last class.
    const std::size_t k = length == 0 ? 63 : static_cast<std::size_t>(std::bit_width(length) - 1);
    classes_[k].push_back(tagged);
  }
  for (std::vector<Tagged>& ranges : classes_)
    std::sort(ranges.begin(), ranges.end(),
              [](const Tagged& a, const Tagged& b) { return a.range.first < b.range.first; });
}

std::uint64_t SectorIntervals::EarliestStart(std::size_t k, std::uint64_t sector) {
  // The longest range of class k reaches 2^(k+1) - 2 sectors past its first.
  const std::uint64_t reach = k >= 63 ? UINT64_MAX : (std::uint64_t{2} << k) - 2;
  return sector > reach ? sector - reach : 0;
}

std::size_t SectorIntervals::LowerBound(const std::vector<Tagged>& ranges, std::uint64_t sector) {
  const auto found = std::lower_bound(
      ranges.begin(), ranges.end(), sector,
      [](const Tagged& tagged, std::uint64_t value) { return tagged.range.first < value; });
  return static_cast<std::size_t>(found - ranges.begin());
}
