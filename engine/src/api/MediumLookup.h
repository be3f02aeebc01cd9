// Finding the sessions and tracks of a medium's layout.
#pragma once

#include <algorithm>
#include <cstdint>

#include "Backend.h"

namespace wrenlo {

// The session or track numbered number in items, or items.end().
template <typename Items>
auto FindNumbered(const Items& items, std::int32_t number) {
  return std::find_if(items.begin(), items.end(),
                      [number](const auto& item) { return item.number == number; });
}

// One past the last sector of a run, held to the 32-bit address range.
inline std::uint32_t EndOf(std::uint32_t start, std::uint32_t sectorCount) {
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(std::uint64_t{start} + sectorCount, UINT32_MAX));
}

}  // namespace wrenlo
