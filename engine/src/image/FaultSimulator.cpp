#include "image/FaultSimulator.h"

#include <algorithm>
#include <iterator>
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
  const auto found = places_.find(sector);
  if (found == places_.end()) {
    // The first read of a cycle fails (every counted range fails at least
    // once); the sector is now part way through its cycle.
    if (places_.size() == kMaxSectorsInCycle) {
      places_.erase(byAge_.front());
      byAge_.pop_front();
    }
    byAge_.push_back(sector);
    places_.emplace(sector, Place{1, std::prev(byAge_.end())});
    return true;
  }
  Place& place = found->second;
  if (place.reads < failures) {
    ++place.reads;
    byAge_.splice(byAge_.end(), byAge_, place.age);
    return true;
  }
  // The read that succeeds ends the cycle.
  byAge_.erase(place.age);
  places_.erase(found);
  return false;
}

std::size_t FaultSimulator::SectorsInCycle() const {
  const std::lock_guard lock(mutex_);
  return places_.size();
}

}  // namespace wrenlo
