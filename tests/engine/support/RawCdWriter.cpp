#include "RawCdWriter.h"

#include <array>
#include <cstring>

namespace testing_support {

namespace {

// x^8 + x^4 + x^3 + x^2 + 1, the field of the CD's Reed-Solomon codes.
std::uint8_t Times(std::uint8_t a, std::uint8_t b) {
  std::uint8_t product = 0;
  while (b != 0) {
    if (b & 1) product ^= a;
    a = static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1D : 0));
    b >>= 1;
  }
  return product;
}

std::uint8_t Inverse(std::uint8_t a) {
  for (int x = 1; x < 256; ++x)
    if (Times(a, static_cast<std::uint8_t>(x)) == 1) return static_cast<std::uint8_t>(x);
  return 0;
}

// The reflected generator polynomial of the EDC, from its two factors.
std::uint32_t ReflectedEdcPolynomial() {
  const std::uint64_t a = (1u << 16) | (1u << 15) | (1u << 2) | 1u;
  const std::uint64_t b = (1u << 16) | (1u << 2) | (1u << 1) | 1u;
  std::uint64_t product = 0;
  for (int bit = 0; bit < 17; ++bit)
    if (b >> bit & 1) product ^= a << bit;
  // Drop x^32 and mirror the remaining 32 coefficients.
  std::uint32_t reflected = 0;
  for (int bit = 0; bit < 32; ++bit)
    if (product >> bit & 1) reflected |= 1u << (31 - bit);
  return reflected;
}

std::uint8_t Bcd(std::uint32_t value) {
  return static_cast<std::uint8_t>(value / 10 * 16 + value % 10);
}

void PutHeader(std::uint8_t* raw, std::uint32_t address, std::uint8_t mode) {
  raw[0] = 0;
  std::memset(raw + 1, 0xFF, 10);
  raw[11] = 0;
  const std::uint32_t time = address + 150;
  raw[12] = Bcd(time / 4500);
  raw[13] = Bcd(time / 75 % 60);
  raw[14] = Bcd(time % 75);
  raw[15] = mode;
}

void PutLe32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// One family of Reed-Solomon code words over the 2 x 1032 (P) or 2 x 1118
// (Q) bytes from byte 12: each word takes `length` bytes, `step` apart (mod
// the area's size), starting where `start` says; its two parity bytes p and
// q make sum(c) = 0 and sum(c * alpha^(n-1-i)) = 0 for the word's n bytes.
void PutParity(std::uint8_t* raw, std::size_t words, std::size_t length, std::size_t wordStep,
               std::size_t step, std::size_t parityAt) {
  const std::size_t area = words * length;
  std::uint8_t* const data = raw + 12;
  const std::uint8_t alphaPlusOne = Inverse(3);
  for (std::size_t word = 0; word < words; ++word) {
    std::size_t index = (word / 2) * wordStep + (word % 2);
    std::uint8_t sum = 0;       // sum of the data bytes
    std::uint8_t weighted = 0;  // sum of d_i * alpha^(n-1-i), by Horner
    for (std::size_t i = 0; i < length; ++i) {
      sum ^= data[index];
      weighted = static_cast<std::uint8_t>(Times(weighted, 2) ^ data[index]);
      index += step;
      if (index >= area) index -= area;
    }
    weighted = Times(weighted, 4);  // the two parity places come after
    const std::uint8_t p = Times(static_cast<std::uint8_t>(sum ^ weighted), alphaPlusOne);
    raw[parityAt + word] = p;
    raw[parityAt + word + words] = static_cast<std::uint8_t>(p ^ sum);
  }
}

void PutEcc(std::uint8_t* raw) {
  PutParity(raw, 86, 24, 2, 86, 2076);
  PutParity(raw, 52, 43, 86, 88, 2248);
}

}  // namespace

std::uint32_t BitwiseEdc(const std::uint8_t* bytes, std::size_t length) {
  static const std::uint32_t polynomial = ReflectedEdcPolynomial();
  std::uint32_t edc = 0;
  for (std::size_t i = 0; i < length; ++i) {
    edc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) edc = (edc >> 1) ^ ((edc & 1) ? polynomial : 0);
  }
  return edc;
}

std::vector<std::uint8_t> Mode1Sector(std::uint32_t address, const std::uint8_t* user) {
  std::vector<std::uint8_t> raw(kRawSectorBytes, 0);
  PutHeader(raw.data(), address, 1);
  std::memcpy(raw.data() + 16, user, 2048);
  PutLe32(raw.data() + 2064, BitwiseEdc(raw.data(), 2064));
  PutEcc(raw.data());
  return raw;
}

std::vector<std::uint8_t> Mode2Form1Sector(std::uint32_t address, const std::uint8_t* user) {
  std::vector<std::uint8_t> raw(kRawSectorBytes, 0);
  PutHeader(raw.data(), address, 2);
  const std::uint8_t subheader[4] = {0, 0, 0x08, 0};  // data
  std::memcpy(raw.data() + 16, subheader, 4);
  std::memcpy(raw.data() + 20, subheader, 4);
  std::memcpy(raw.data() + 24, user, 2048);
  PutLe32(raw.data() + 2072, BitwiseEdc(raw.data() + 16, 2056));
  // The header takes no part in a Mode 2 sector's ECC.
  std::array<std::uint8_t, 4> header;
  std::memcpy(header.data(), raw.data() + 12, 4);
  std::memset(raw.data() + 12, 0, 4);
  PutEcc(raw.data());
  std::memcpy(raw.data() + 12, header.data(), 4);
  return raw;
}

std::vector<std::uint8_t> Mode2Form2Sector(std::uint32_t address, const std::uint8_t* user) {
  std::vector<std::uint8_t> raw(kRawSectorBytes, 0);
  PutHeader(raw.data(), address, 2);
  const std::uint8_t subheader[4] = {0, 0, 0x20, 0};  // form 2
  std::memcpy(raw.data() + 16, subheader, 4);
  std::memcpy(raw.data() + 20, subheader, 4);
  std::memcpy(raw.data() + 24, user, 2324);
  PutLe32(raw.data() + 2348, BitwiseEdc(raw.data() + 16, 2332));
  return raw;
}

}  // namespace testing_support
