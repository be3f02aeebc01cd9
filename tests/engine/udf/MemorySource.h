// A sector source over bytes in memory: a disc image loaded or built by a
// test, or a fuzz input. A trailing partial sector is not readable.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "SectorSource.h"

namespace udftest {

class MemorySource : public wrenlo::SectorSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  wrenlo::Result Read(std::uint32_t address, std::uint32_t count, std::uint8_t* out) override {
    reads_.fetch_add(count, std::memory_order_relaxed);
    if (std::uint64_t{address} + count > SectorCount()) return wrenlo::kOutOfRange;
    std::memcpy(out, bytes_.data() + std::size_t{address} * 2048, std::size_t{count} * 2048);
    return wrenlo::kOk;
  }
  std::uint32_t SectorCount() const override {
    return static_cast<std::uint32_t>(std::min<std::size_t>(bytes_.size() / 2048, 0xFFFFFFFF));
  }
  // Sectors read so far.
  std::uint64_t Reads() const { return reads_.load(std::memory_order_relaxed); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::atomic<std::uint64_t> reads_{0};
};

// Passes reads on, counting the widest, to show that a structure is read a
// few sectors at a time.
class WidestRead : public wrenlo::SectorSource {
 public:
  explicit WidestRead(wrenlo::SectorSource& source) : source_(source) {}
  wrenlo::Result Read(std::uint32_t address, std::uint32_t count, std::uint8_t* out) override {
    widest = std::max(widest, count);
    return source_.Read(address, count, out);
  }
  std::uint32_t SectorCount() const override { return source_.SectorCount(); }
  std::uint32_t widest = 0;

 private:
  wrenlo::SectorSource& source_;
};

}  // namespace udftest
