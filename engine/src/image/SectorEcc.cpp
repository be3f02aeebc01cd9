#include "image/SectorEcc.h"

#include <array>
#include <cstddef>

namespace wrenlo {

namespace {

// The bytes from the header on (offset 12) are taken as 16-bit words, each
// word's two bytes in two planes coded alike. Of those words, the first 1032
// (header, user data, EDC, zeros) form 43 columns of 24 and get two P parity
// words each (words 1032 to 1117); the 1118 words with those then form 26
// diagonals of 43 and get two Q parity words each (words 1118 to 1169).
constexpr std::size_t kCoveredStart = 12;
constexpr std::size_t kColumns = 43;
constexpr std::size_t kColumnWords = 24;
constexpr std::size_t kPWords = kColumns * kColumnWords;  // the first P parity word
constexpr std::size_t kDiagonals = 26;
constexpr std::size_t kDiagonalWords = 43;
constexpr std::size_t kQWords = kPWords + 2 * kColumns;  // the first Q parity word

// GF(2^8) with the field polynomial x^8 + x^4 + x^3 + x^2 + 1, whose root
// alpha is 2.
struct Field {
  std::array<std::uint8_t, 256> timesAlpha{};
  // Division by alpha + 1 (3).
  std::array<std::uint8_t, 256> byAlphaPlusOne{};
};

constexpr Field MakeField() {
  Field field;
  for (unsigned i = 0; i < 256; ++i) {
    const unsigned doubled = i << 1;
    field.timesAlpha[i] = static_cast<std::uint8_t>(doubled & 0x100 ? doubled ^ 0x11D : doubled);
  }
  for (unsigned i = 0; i < 256; ++i)
    field.byAlphaPlusOne[i ^ field.timesAlpha[i]] = static_cast<std::uint8_t>(i);
  return field;
}

constexpr Field kField = MakeField();

// One plane of one vector: the symbols at the word indices words(0 ..
// count-1), then its two parity symbols at firstParity and secondParity. A
// codeword c_0 .. c_(n-1), parity last, has sum c_i = 0 and
// sum c_i alpha^(n-1-i) = 0; so with S0 and S1 the sums over the data,
// the first parity is (S0 + S1) / (alpha + 1) and the second S0 plus the
// first.
template <typename WordAt>
void AddParity(std::uint8_t* covered, std::size_t plane, std::size_t count, WordAt wordAt,
               std::size_t firstParity, std::size_t secondParity) {
  std::uint8_t sum = 0;       // S0
  std::uint8_t weighted = 0;  // S1 / alpha, by Horner's rule
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t symbol = covered[2 * wordAt(i) + plane];
    sum ^= symbol;
    weighted = kField.timesAlpha[weighted ^ symbol];
  }
  const std::uint8_t first = kField.byAlphaPlusOne[kField.timesAlpha[weighted] ^ sum];
  covered[2 * firstParity + plane] = first;
  covered[2 * secondParity + plane] = static_cast<std::uint8_t>(first ^ sum);
}

}  // namespace

void AddSectorEcc(std::uint8_t* sector) {
  std::uint8_t* const covered = sector + kCoveredStart;
  for (std::size_t plane = 0; plane < 2; ++plane)
    for (std::size_t column = 0; column < kColumns; ++column)
      AddParity(
          covered, plane, kColumnWords, [column](std::size_t i) { return column + kColumns * i; },
          kPWords + column, kPWords + kColumns + column);
  for (std::size_t plane = 0; plane < 2; ++plane)
    for (std::size_t diagonal = 0; diagonal < kDiagonals; ++diagonal)
      AddParity(
          covered, plane, kDiagonalWords,
          [diagonal](std::size_t i) {
            return (kColumns * diagonal + (kColumns + 1) * i) % kQWords;
          },
          kQWords + diagonal, kQWords + kDiagonals + diagonal);
}

}  // namespace wrenlo
