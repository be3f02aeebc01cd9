#include "Tag.h"

#include <array>

#include "ByteView.h"

namespace wrenlo::udf {
namespace {

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned value = i << 8;
    for (int bit = 0; bit < 8; ++bit) value = (value & 0x8000) ? (value << 1) ^ 0x1021 : value << 1;
    table[i] = static_cast<std::uint16_t>(value);
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0;
  for (std::uint8_t byte : bytes)
    crc = static_cast<std::uint16_t>((crc << 8) ^ kCrcTable[((crc >> 8) ^ byte) & 0xFF]);
  return crc;
}

Result CheckTag(std::span<const std::uint8_t> bytes, std::uint32_t location, std::uint16_t& id) {
  if (bytes.size() < kTagSize) return kCorruptFileSystem;
  // Tag layout: identifier, version, checksum, reserved, serial number, CRC,
  // CRC length, location.
  std::uint8_t checksum = 0;
  for (std::size_t i = 0; i < kTagSize; ++i)
    if (i != 4) checksum = static_cast<std::uint8_t>(checksum + bytes[i]);
  ByteView tag(bytes);
  if (checksum != tag.U8(4)) return kCorruptFileSystem;
  const std::uint16_t version = tag.U16(2);
  if (version != 2 && version != 3) return kCorruptFileSystem;
  if (tag.U32(12) != location) return kCorruptFileSystem;
  const std::size_t crcLength = tag.U16(10);
  if (tag.Has(kTagSize, crcLength) && Crc16(bytes.subspan(kTagSize, crcLength)) != tag.U16(8))
    return kCorruptFileSystem;
  id = tag.U16(0);
  return kOk;
}

}  // namespace wrenlo::udf
