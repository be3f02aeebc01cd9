#include "fs/iso9660/ElTorito.h"

#include <cstdint>

namespace wrenlo {

namespace {

constexpr std::size_t kEntrySize = 32;
constexpr std::uint8_t kBootable = 0x88;
constexpr std::uint8_t kSectionHeader = 0x90;
constexpr std::uint8_t kFinalSectionHeader = 0x91;
constexpr std::uint8_t kExtension = 0x44;

bool ValidValidationEntry(Bytes entry) {
  if (U8(entry, 0) != 1 || U8(entry, 30) != 0x55 || U8(entry, 31) != 0xAA) return false;
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < kEntrySize; i += 2)
    sum = static_cast<std::uint16_t>(sum + Le16(entry, i));
  return sum == 0;
}

}  // namespace

bool IsBootableCatalog(Bytes catalog) {
  if (!Fits(catalog, 0, 2 * kEntrySize) || !ValidValidationEntry(catalog.first(kEntrySize)))
    return false;
  if (U8(catalog, kEntrySize) == kBootable) return true;
  // Section headers, each followed by its entries (and their extensions), up
  // to the final header's entries or the end of the sector.
  std::size_t offset = 2 * kEntrySize;
  while (Fits(catalog, offset, kEntrySize)) {
    const std::uint8_t header = U8(catalog, offset);
    if (header != kSectionHeader && header != kFinalSectionHeader) return false;
    std::size_t entries = Le16(catalog, offset + 2);
    offset += kEntrySize;
    while (entries > 0 && Fits(catalog, offset, kEntrySize)) {
      const std::uint8_t indicator = U8(catalog, offset);
      offset += kEntrySize;
      if (indicator == kExtension) continue;
      if (indicator == kBootable) return true;
      --entries;
    }
    if (header == kFinalSectionHeader) return false;
  }
  return false;
}

}  // namespace wrenlo
