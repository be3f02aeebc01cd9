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
  const auto first =
      std::lower_bound(plan_.ranges.begin(), plan_.ranges.end(), address,
                       [](const FaultRange& r, std::uint32_t sector) { return r.last < sector; });
  // Calls visit(sector, range) for each sector of the read in a counted range,
  // in order, until it returns true; true when one did.
  const auto anyCounted = [&](auto visit) {
    for (auto range = first; range != plan_.ranges.end() && range->first < end; ++range) {
      const std::uint32_t from = std::max(range->first, address);
      const std::uint64_t to = std::min<std::uint64_t>(std::uint64_t{range->last} + 1, end);
      for (std::uint64_t sector = from; sector < to; ++sector)
        if (visit(static_cast<std::uint32_t>(sector), *range)) return true;
    }
    return false;
  };
  if (count == 1)
    return anyCounted([this](std::uint32_t sector, const FaultRange& range) {
      return range.always || CountedReadFails(sector, range.failures);
    });
  const std::lock_guard lock(mutex_);
  if (anyCounted([this](std::uint32_t sector, const FaultRange& range) {
        return range.always || DueToFail(sector, range.failures);
      }))
    return true;
  anyCounted([this](std::uint32_t sector, const FaultRange&) {
    EndCycle(sector);
    return false;
  });
  return false;
}

bool FaultSimulator::DueToFail(std::uint32_t sector, std::uint32_t failures) const {
  const auto found = places_.find(sector);
  return found == places_.end() || found->second.reads < failures;
}

void FaultSimulator::EndCycle(std::uint32_t sector) {
  const auto found = places_.find(sector);
  if (found == places_.end()) return;
  byAge_.erase(found->second.age);
  places_.erase(found);
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
  EndCycle(sector);
  return false;
}

std::size_t FaultSimulator::SectorsInCycle() const {
  const std::lock_guard lock(mutex_);
  return places_.size();
}

}  // namespace wrenlo
