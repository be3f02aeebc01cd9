#include "image/SectorEdc.h"

#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace wrenlo {

namespace {

// The bit-reversed polynomial, and the polynomial in its usual order without
// its x^32 term.
constexpr std::uint32_t kReversedPolynomial = 0xD8018001;
constexpr std::uint64_t kPolynomial = 0x18001801Bull;  // with x^32

// Tables for eight bytes a step: table 0 advances the code by one byte,
// table k by one byte followed by k zero bytes.
using EdcTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr EdcTables MakeEdcTables() {
  EdcTables tables{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit)
      value = (value >> 1) ^ ((value & 1) ? kReversedPolynomial : 0);
    tables[0][i] = value;
  }
  for (std::size_t k = 1; k < tables.size(); ++k)
    for (std::uint32_t i = 0; i < 256; ++i)
      tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF];
  return tables;
}

constexpr EdcTables kEdcTables = MakeEdcTables();

// Continues the code edc over bytes, eight at a time from the tables.
std::uint32_t ContinueByTables(std::uint32_t edc, const std::uint8_t* bytes, std::size_t size) {
  const auto& t = kEdcTables;
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    // The host is little-endian, as the engine's records require.
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    std::memcpy(&low, bytes + i, 4);
    std::memcpy(&high, bytes + i + 4, 4);
    low ^= edc;
    edc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
          t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^
          t[0][high >> 24];
  }
  for (; i < size; ++i) edc = (edc >> 8) ^ t[0][(edc ^ bytes[i]) & 0xFF];
  return edc;
}

#if defined(__x86_64__)

// x^n mod the polynomial, bit-reversed into 32 bits (bit i holds x^(31-i)).
constexpr std::uint64_t ReversedPowerOfX(unsigned n) {
  std::uint64_t remainder = 1;
  for (unsigned i = 0; i < n; ++i) {
    remainder <<= 1;
    if (remainder & (1ull << 32)) remainder ^= kPolynomial;
  }
  std::uint64_t reversed = 0;
  for (unsigned bit = 0; bit < 32; ++bit)
    if (remainder & (1ull << bit)) reversed |= 1ull << (31 - bit);
  return reversed;
}

// Folding a 128-bit block, bit-reversed (register bit i holds x^(127-i)),
// forward over distance bits: its first 64 bits H and last 64 bits L stand
// for H x^(64+distance) + L x^distance. Multiplied by x^(distance+31) and
// x^(distance-33) mod the polynomial instead, each product has at most 95
// bits and, read as bit-reversed 128 bits, already carries the x^33 that
// makes up the difference; so the sum of the two carry-less products is a
// 128-bit block of the same residue that lines up with the block distance
// bits further on.
struct FoldConstants {
  std::uint64_t forFirstHalf;
  std::uint64_t forSecondHalf;
};

constexpr FoldConstants FoldingBy(unsigned distance) {
  return {ReversedPowerOfX(distance + 31), ReversedPowerOfX(distance - 33)};
}

constexpr FoldConstants kFold128 = FoldingBy(128);
constexpr FoldConstants kFold512 = FoldingBy(512);

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i block, __m128i constants,
                                                           __m128i next) {
  const __m128i first = _mm_clmulepi64_si128(block, constants, 0x00);
  const __m128i second = _mm_clmulepi64_si128(block, constants, 0x11);
  return _mm_xor_si128(_mm_xor_si128(first, second), next);
}

__attribute__((target("pclmul,sse2"))) inline __m128i Load(const std::uint8_t* bytes) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

// The code of bytes (at least 64 of them) by folding: four blocks at once
// while 64 bytes remain, then one, then the last 16 bytes and whatever is
// left over through the tables.
__attribute__((target("pclmul,sse2"))) std::uint32_t EdcByFolding(const std::uint8_t* bytes,
                                                                  std::size_t size) {
  const __m128i by512 = _mm_set_epi64x(static_cast<long long>(kFold512.forSecondHalf),
                                       static_cast<long long>(kFold512.forFirstHalf));
  const __m128i by128 = _mm_set_epi64x(static_cast<long long>(kFold128.forSecondHalf),
                                       static_cast<long long>(kFold128.forFirstHalf));
  __m128i lane0 = Load(bytes);
  __m128i lane1 = Load(bytes + 16);
  __m128i lane2 = Load(bytes + 32);
  __m128i lane3 = Load(bytes + 48);
  std::size_t at = 64;
  for (; at + 64 <= size; at += 64) {
    lane0 = Fold(lane0, by512, Load(bytes + at));
    lane1 = Fold(lane1, by512, Load(bytes + at + 16));
    lane2 = Fold(lane2, by512, Load(bytes + at + 32));
    lane3 = Fold(lane3, by512, Load(bytes + at + 48));
  }
  __m128i folded = Fold(lane0, by128, lane1);
  folded = Fold(folded, by128, lane2);
  folded = Fold(folded, by128, lane3);
  for (; at + 16 <= size; at += 16) folded = Fold(folded, by128, Load(bytes + at));
  // The folded block has the residue of everything before it: its code from
  // 0 is the code so far.
  std::uint8_t last[16];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(last), folded);
  const std::uint32_t edc = ContinueByTables(0, last, sizeof last);
  return ContinueByTables(edc, bytes + at, size - at);
}

bool HasCarrylessMultiply() {
  static const bool has = __builtin_cpu_supports("pclmul");
  return has;
}

#endif

}  // namespace

std::uint32_t SectorEdcByTables(Bytes bytes) {
  return ContinueByTables(0, bytes.data(), bytes.size());
}

std::uint32_t SectorEdc(Bytes bytes) {
#if defined(__x86_64__)
  if (bytes.size() >= 64 && HasCarrylessMultiply()) return EdcByFolding(bytes.data(), bytes.size());
#endif
  return SectorEdcByTables(bytes);
}

}  // namespace wrenlo
