// Anything that reads 2048-byte sectors by absolute address: an image file, a
// drive. File systems decode from one of these.
#pragma once

#include <cstdint>

#include "Result.h"

namespace wrenlo {

class SectorSource {
 public:
  virtual ~SectorSource() = default;
  // Reads count sectors from address into out (count * 2048 bytes). Returns
  // kOk only when every byte was read. Safe to call from several threads.
  virtual Result Read(std::uint32_t address, std::uint32_t count, std::uint8_t* out) = 0;
  // Sectors readable from address 0 (the end of the last session).
  virtual std::uint32_t SectorCount() const = 0;
};

}  // namespace wrenlo
