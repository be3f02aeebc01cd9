// Entity identifiers (regid, ECMA-167 1/7.4): a flags byte, a 23-byte
// identifier and an 8-byte suffix.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace wrenlo::udf {

inline constexpr std::size_t kIdentifierSize = 32;

// True when the regid at the start of bytes names identifier (its
// characters, then NUL padding or the end of the field).
inline bool IdentifierIs(std::span<const std::uint8_t> regid, std::string_view identifier) {
  if (regid.size() < kIdentifierSize || identifier.size() > 23) return false;
  for (std::size_t i = 0; i < identifier.size(); ++i)
    if (regid[1 + i] != static_cast<std::uint8_t>(identifier[i])) return false;
  return identifier.size() == 23 || regid[1 + identifier.size()] == 0;
}

}  // namespace wrenlo::udf
