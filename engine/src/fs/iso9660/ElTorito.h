// El Torito boot catalogs: whether a disc is bootable.
#pragma once

#include <cstdint>
#include <vector>

#include "Bytes.h"

namespace wrenlo {

// One boot entry of a catalog (the default entry or a section entry).
struct BootEntry {
  bool bootable = false;          // boot indicator 88h
  std::uint8_t emulation = 0;     // 0 none, 1 to 3 diskettes, 4 hard disk
  std::uint16_t loadSectors = 0;  // 512-byte sectors loaded
  std::uint32_t location = 0;     // first sector of the image

  // The 2048-byte sectors the image fills: a diskette's size, else what is
  // loaded (at least one sector).
  std::uint32_t Sectors() const;
};

// The boot entries of a catalog sector whose validation entry is valid
// (header id 1, key 55 AA, words summing to 0): its default entry, then the
// entries of its sections up to the final section's or the first entry that
// is no section header. False when the validation entry is not valid.
bool ReadBootEntries(Bytes catalog, std::vector<BootEntry>& out);

// Whether a boot catalog sector starts with a valid validation entry and
// names at least one bootable image, in its default entry or in an entry of
// a section.
bool IsBootableCatalog(Bytes catalog);

}  // namespace wrenlo
