#include "image/FaultSimulator.h"

#include <algorithm>
#include <utility>

namespace wrenlo {

FaultSimulator::FaultSimulator(FaultPlan plan) : plan_(std::move(plan)) {}

bool FaultSimulator::ReadFails(std::uint32_t address, std::uint32_t count) {
  if (count == 0) return false;
  const std::uint64_t end = std::uint64_t{address} + count;  // one past the last sector
  // The first range that ends at or after address.
  auto range =
      std::lower_bound(plan_.ranges.begin(), plan_.ranges.end(), address,
                       [](const FaultRange& r, std::uint32_t sector) { return r.last < sector; });
  for (; range != plan_.ranges.end() && range->first < end; ++range) {
    if (range->always) return true;
    const std::uint32_t from = std::max(range->first, address);
    const std::uint64_t to = std::min<std::uint64_t>(std::uint64_t{range->last} + 1, end);
    for (std::uint64_t sector = from; sector < to; ++sector)
      if (CountedReadFails(static_cast<std::uint32_t>(sector), range->failures)) return true;
  }
  return false;
}

bool FaultSimulator::CountedReadFails(std::uint32_t sector, std::uint32_t failures) {
  const std::lock_guard lock(mutex_);
  std::uint32_t& place = cycle_[sector];
  const bool fails = place < failures;
  place = fails ? place + 1 : 0;
  return fails;
}

}  // namespace wrenlo
