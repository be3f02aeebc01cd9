// The ISO 9660 volume descriptor set (ECMA-119 8) of one session: the primary
// volume descriptor, a Joliet supplementary descriptor and an El Torito boot
// record, as far as they are present.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Bytes.h"
#include "Result.h"
#include "SectorSource.h"
#include "fs/iso9660/DirectoryRecord.h"

namespace wrenlo {

// A date and time of a volume descriptor (ECMA-119 8.4.26.1) as recorded, its
// time-zone offset not applied. All zero when the descriptor leaves it unset
// or it is not a valid date.
struct IsoDate {
  std::uint16_t year = 0;
  std::uint8_t month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// What a primary or Joliet supplementary volume descriptor says.
struct IsoVolume {
  bool joliet = false;
  // Texts without their padding; in a primary descriptor read as UTF-8 when
  // they are well-formed UTF-8 (as tools write them from a UTF-8 host), else
  // as ISO 8859-1.
  std::u16string label;  // volume identifier
  std::u16string publisher;
  std::u16string application;
  IsoDate creation, modification, expiration, effective;
  std::uint32_t rootLocation = 0;  // the root directory's extent
  std::uint32_t rootLength = 0;    // in bytes
  std::uint8_t rootExtendedAttributeLength = 0;
  // The path tables (ECMA-119 8.4.14 to 8.4.18): their length in bytes and
  // the sectors of the L, optional L, M and optional M tables (0 = absent).
  std::uint32_t pathTableBytes = 0;
  std::uint32_t pathTables[4] = {};
};

struct VolumeDescriptorSet {
  std::optional<IsoVolume> primary;
  std::optional<IsoVolume> joliet;
  std::optional<std::uint32_t> bootCatalog;  // sector of the El Torito boot catalog
};

// Most descriptors read before the set terminator; real discs have three to five.
inline constexpr std::uint32_t kMaxVolumeDescriptors = 64;

// What one 2048-byte volume descriptor adds to the set. A sector that is not a
// volume descriptor ends the set (kNoFileSystem); so does the terminator
// (kEndOfDirectory). Descriptors of other kinds, and unusable ones (a logical
// block size other than 2048, a root record that does not decode), add
// nothing.
Result DecodeVolumeDescriptor(Bytes sector, VolumeDescriptorSet& set);

// What a sector that follows the system area is, named as the standards
// name it ("Primary volume descriptor", "Volume descriptor set terminator",
// "Beginning extended area descriptor" of UDF's volume recognition
// sequence, ...); empty when it is no volume descriptor.
std::u16string VolumeDescriptorName(Bytes sector);

// One sector of a session's volume descriptor area and what it holds.
struct VolumeDescriptorSector {
  std::uint64_t sector = 0;
  std::u16string name;  // as VolumeDescriptorName gives it; "Volume descriptor" when unreadable
};

// The volume descriptor area of a session, read once: the ISO 9660
// descriptor set, and every descriptor's sector (UDF's volume recognition
// sequence after the set included).
struct VolumeDescriptorArea {
  VolumeDescriptorSet set;
  std::vector<VolumeDescriptorSector> sectors;
};

// Reads the area from sector sessionStart + 16 on, up to the first readable
// sector that is no descriptor, kMaxVolumeDescriptors or sessionEnd; the set
// is decoded from its readable sectors up to the terminator, an unreadable
// one among them left out. kNoFileSystem when the session holds no ISO 9660
// volume descriptor; the read failure of sector 16 when no sector of the
// area reads.
Result ReadVolumeDescriptorArea(SectorSource& source, std::uint32_t sessionStart,
                                std::uint32_t sessionEnd, VolumeDescriptorArea& out);

}  // namespace wrenlo
