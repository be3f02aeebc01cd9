// Plays a FaultPlan: decides which reads of an image fail and how long each
// read takes. Safe to use from several threads at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <list>
#include <mutex>
#include <unordered_map>

#include "image/FaultsFile.h"

namespace wrenlo {

class FaultSimulator {
 public:
  // Sectors that may be in the middle of their cycle at once. Past this, the
  // one read longest ago starts its cycle over, so that a scan of a huge
  // range keeps the memory it uses bounded.
  static constexpr std::size_t kMaxSectorsInCycle = 65536;

  explicit FaultSimulator(FaultPlan plan);

  // Whether a read of [address, address + count) fails. A one-sector read
  // counts in its sector's cycle. A read of several sectors fails when any of
  // them is due to fail and then counts in no cycle, as the reads a scan
  // makes again sector by sector are the ones that meet each sector's
  // failures; one that succeeds counts as the succeeding read of each.
  bool ReadFails(std::uint32_t address, std::uint32_t count);

  // How long a read of count sectors takes at least: the latency for each
  // sector, but for a failed read the error latency in place of one of them.
  std::chrono::microseconds Latency(std::uint32_t count, bool failed) const {
    const std::uint64_t latency = plan_.latencyMicroseconds;
    const std::uint64_t error = plan_.errorLatencyMicroseconds.value_or(latency);
    if (count == 0) return {};
    return std::chrono::microseconds(failed ? latency * (count - 1) + error : latency * count);
  }
  bool HasLatency() const {
    return plan_.latencyMicroseconds != 0 || plan_.errorLatencyMicroseconds.value_or(0) != 0;
  }

  const FaultPlan& Plan() const { return plan_; }

  // How many sectors are in the middle of their cycle now.
  std::size_t SectorsInCycle() const;

 private:
  // Whether this read of sector, in a range that fails a number of times,
  // fails; advances the sector's place in its cycle.
  bool CountedReadFails(std::uint32_t sector, std::uint32_t failures);
  // Whether the next read of sector, in a range that fails a number of
  // times, is due to fail. Called with mutex_ held, as is EndCycle.
  bool DueToFail(std::uint32_t sector, std::uint32_t failures) const;
  // Ends the cycle of sector: its next read is the first of a new one.
  void EndCycle(std::uint32_t sector);

  struct Place {
    std::uint32_t reads = 0;  // reads of the cycle so far, 1 to failures
    std::list<std::uint32_t>::iterator age;
  };

  const FaultPlan plan_;
  mutable std::mutex mutex_;
  // The sectors of counted ranges that are part way through their cycle of
  // failures + 1 reads; a sector not here is at the start of one.
  std::unordered_map<std::uint32_t, Place> places_;
  // Those sectors, the one read longest ago first.
  std::list<std::uint32_t> byAge_;
};

}  // namespace wrenlo
