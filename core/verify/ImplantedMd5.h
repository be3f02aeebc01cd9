// The MD5 of a whole image that implantisomd5 (Debian's isomd5sum) writes
// into the application-use area of the primary volume descriptor (bytes 883
// to 1394 of sector 16), as text fields separated by ';':
//   ISO MD5SUM = HEX;SKIPSECTORS = 15;RHLISOSTATUS=0;FRAGMENT SUMS = ...
// It covers the sectors from 0 up to the volume's size less SKIPSECTORS,
// with the application-use area read as 512 spaces, as before the implant.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

inline constexpr std::size_t kApplicationUseOffset = 883;
inline constexpr std::size_t kApplicationUseSize = 512;

struct ImplantedMd5 {
  std::array<std::uint8_t, 16> md5{};
  std::uint64_t sectors = 0;  // covered, from the volume's first sector
};

// The implanted MD5 of a primary volume descriptor (its 2048 bytes); nothing
// when it holds none, or one that cannot cover any sector.
std::optional<ImplantedMd5> DecodeImplantedMd5(std::span<const std::uint8_t> descriptor);
