// Integers read from on-disc bytes at an offset that may lie outside them.
// Decoders check a structure's length once before reading its fields; these
// readers still return 0 for any byte outside the span, so a missed check
// reads zeros instead of memory beyond the structure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace wrenlo {

using Bytes = std::span<const std::uint8_t>;

// Whether offset + length bytes fit in bytes, without overflow.
inline bool Fits(Bytes bytes, std::size_t offset, std::size_t length) {
  return offset <= bytes.size() && length <= bytes.size() - offset;
}

inline std::uint8_t U8(Bytes bytes, std::size_t offset) {
  return offset < bytes.size() ? bytes[offset] : 0;
}

inline std::uint16_t Le16(Bytes bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(U8(bytes, offset) | U8(bytes, offset + 1) << 8);
}

inline std::uint16_t Be16(Bytes bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(U8(bytes, offset) << 8 | U8(bytes, offset + 1));
}

inline std::uint32_t Le32(Bytes bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(Le16(bytes, offset)) |
         static_cast<std::uint32_t>(Le16(bytes, offset + 2)) << 16;
}

inline std::uint32_t Be32(Bytes bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(Be16(bytes, offset)) << 16 | Be16(bytes, offset + 2);
}

// The bytes [offset, offset + length), or an empty span when they do not fit.
inline Bytes Slice(Bytes bytes, std::size_t offset, std::size_t length) {
  return Fits(bytes, offset, length) ? bytes.subspan(offset, length) : Bytes{};
}

}  // namespace wrenlo
