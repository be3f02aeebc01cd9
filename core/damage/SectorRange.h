// A run of sectors, the one form every part of the program gives them in.
#pragma once

#include <cstdint>

// Sectors [first, last], both included.
struct SectorRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;

  friend bool operator==(const SectorRange&, const SectorRange&) = default;
};
