#include "fs/iso9660/ElTorito.h"

#include <algorithm>

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

BootEntry DecodeEntry(Bytes catalog, std::size_t offset) {
  BootEntry entry;
  entry.bootable = U8(catalog, offset) == kBootable;
  entry.emulation = U8(catalog, offset + 1) & 0x0F;
  entry.loadSectors = Le16(catalog, offset + 6);
  entry.location = Le32(catalog, offset + 8);
  return entry;
}

}  // namespace

std::uint32_t BootEntry::Sectors() const {
  switch (emulation) {
    case 1:
      return 1200 * 1024 / 2048;
    case 2:
      return 1440 * 1024 / 2048;
    case 3:
      return 2880 * 1024 / 2048;
    default:
      return std::max<std::uint32_t>(1, (std::uint32_t{loadSectors} * 512 + 2047) / 2048);
  }
}

bool ReadBootEntries(Bytes catalog, std::vector<BootEntry>& out) {
  out.clear();
  if (!Fits(catalog, 0, 2 * kEntrySize) || !ValidValidationEntry(catalog.first(kEntrySize)))
    return false;
  out.push_back(DecodeEntry(catalog, kEntrySize));
  // Section headers, each followed by its entries (and their extensions), up
  // to the final header's entries or the end of the sector.
  std::size_t offset = 2 * kEntrySize;
  while (Fits(catalog, offset, kEntrySize)) {
    const std::uint8_t header = U8(catalog, offset);
    if (header != kSectionHeader && header != kFinalSectionHeader) break;
    std::size_t entries = Le16(catalog, offset + 2);
    offset += kEntrySize;
    while (entries > 0 && Fits(catalog, offset, kEntrySize)) {
      const std::uint8_t indicator = U8(catalog, offset);
      if (indicator != kExtension) {
        out.push_back(DecodeEntry(catalog, offset));
        --entries;
      }
      offset += kEntrySize;
    }
    if (header == kFinalSectionHeader) break;
  }
  return true;
}

bool IsBootableCatalog(Bytes catalog) {
  std::vector<BootEntry> entries;
  return ReadBootEntries(catalog, entries) &&
         std::any_of(entries.begin(), entries.end(), [](const BootEntry& e) { return e.bootable; });
}

}  // namespace wrenlo
