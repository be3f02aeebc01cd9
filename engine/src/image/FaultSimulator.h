// Plays a FaultPlan: decides which reads of an image fail and how long each
// read takes. Safe to use from several threads at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "image/FaultsFile.h"

namespace wrenlo {

class FaultSimulator {
 public:
  explicit FaultSimulator(FaultPlan plan);

  // Counts one read of each sector of [address, address + count), in order,
  // up to and including the first one that fails. True when one fails.
  bool ReadFails(std::uint32_t address, std::uint32_t count);

  // How long a read of count sectors takes at least.
  std::chrono::microseconds Latency(std::uint32_t count) const {
    return std::chrono::microseconds(std::uint64_t{plan_.latencyMicroseconds} * count);
  }
  bool HasLatency() const { return plan_.latencyMicroseconds != 0; }

 private:
  // Whether this read of sector, in a range that fails a number of times,
  // fails; advances the sector's place in its cycle.
  bool CountedReadFails(std::uint32_t sector, std::uint32_t failures);

  const FaultPlan plan_;
  std::mutex mutex_;
  // Per sector of a counted range that has been read: its place in the cycle
  // of failures + 1 reads.
  std::unordered_map<std::uint32_t, std::uint32_t> cycle_;
};

}  // namespace wrenlo
