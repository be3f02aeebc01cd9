// One 2048-byte sector read from a sector source, by absolute address.
#pragma once

#include <array>
#include <cstdint>

#include "Addresses.h"
#include "Result.h"
#include "SectorSource.h"

namespace wrenlo::udf {

using Sector = std::array<std::uint8_t, kBlockSize>;

// Reads the sector at address; kCorruptFileSystem when the address lies past
// the end of the source (a structure pointing outside the medium), else the
// source's own result.
inline Result ReadSector(SectorSource& source, std::uint64_t address, Sector& out) {
  if (address >= source.SectorCount()) return kCorruptFileSystem;
  return source.Read(static_cast<std::uint32_t>(address), 1, out.data());
}

}  // namespace wrenlo::udf
