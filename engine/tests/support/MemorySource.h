// A disc image held in memory, for decoders fed by tests and fuzz targets.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "SectorSource.h"

namespace wrenlo {

class MemorySource : public SectorSource {
 public:
  // bytes, padded with zeros to whole sectors.
  explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
    bytes_.resize((bytes_.size() + 2047) / 2048 * 2048);
  }

  Result Read(std::uint32_t address, std::uint32_t count, std::uint8_t* out) override {
    if (std::uint64_t{address} + count > SectorCount()) return kOutOfRange;
    if (count != 0)
      std::memcpy(out, bytes_.data() + std::size_t{address} * 2048, std::size_t{count} * 2048);
    return kOk;
  }
  std::uint32_t SectorCount() const override {
    return static_cast<std::uint32_t>(bytes_.size() / 2048);
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace wrenlo
