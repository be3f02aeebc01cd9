// Raw 2352-byte CD sectors made for test images, as a CD writer lays them
// out: sync pattern, header with the sector's address, user data, error
// detection code (EDC) and the P and Q parity of the error correction code
// (ECC). Written here independently of the engine's reader so that the two
// check each other.
#pragma once

#include <cstdint>
#include <vector>

namespace testing_support {

inline constexpr std::size_t kRawSectorBytes = 2352;

// A Mode 1 sector at address holding the 2048 bytes at user.
std::vector<std::uint8_t> Mode1Sector(std::uint32_t address, const std::uint8_t* user);
// A Mode 2 Form 1 sector (2048 user bytes) and a Form 2 sector (2324 user
// bytes, EDC recorded).
std::vector<std::uint8_t> Mode2Form1Sector(std::uint32_t address, const std::uint8_t* user);
std::vector<std::uint8_t> Mode2Form2Sector(std::uint32_t address, const std::uint8_t* user);

// The EDC of bytes, computed bit by bit from the generator polynomial.
std::uint32_t BitwiseEdc(const std::uint8_t* bytes, std::size_t length);

}  // namespace testing_support
