// The volume structure of ECMA-167 part 3 as OSTA UDF uses it: the anchor,
// the volume descriptor sequence with its partition and logical volume
// descriptors, and the partition maps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Addresses.h"
#include "Result.h"
#include "SectorSource.h"

namespace wrenlo::udf {

// A run of a partition's blocks as a short_ad records it (ECMA-167
// 4/14.14.1): its length in bytes, the extent type in the top two bits.
struct PartitionRun {
  std::uint32_t length = 0;
  std::uint32_t block = 0;  // the first, counted from the partition's start

  std::uint32_t Bytes() const { return length & 0x3FFFFFFF; }
};

// Partition descriptor (ECMA-167 3/10.5), the fields a reader needs.
struct PartitionDescriptor {
  std::uint32_t sequenceNumber = 0;
  std::uint16_t number = 0;
  std::uint32_t start = 0;   // first sector
  std::uint32_t length = 0;  // sectors
  // Its partition header (4/14.3): where its space tables and bitmaps lie,
  // of unallocated and of freed space (a length of 0 = none).
  PartitionRun unallocatedTable, unallocatedBitmap, freedTable, freedBitmap;
};

enum class MapKind {
  kPhysical,  // type 1 map (ECMA-167 3/10.7.2)
  kVirtual,   // OSTA UDF 2.2.8: blocks mapped through the VAT
  kSparable,  // OSTA UDF 2.2.9: packets moved by the sparing table
  kMetadata,  // OSTA UDF 2.2.10: blocks of the metadata file
  kUnknown,   // a type 2 map of another kind; refused when used
};

struct PartitionMap {
  MapKind kind = MapKind::kPhysical;
  std::uint16_t partitionNumber = 0;
  // Sparable.
  std::uint16_t packetLength = 0;
  std::uint32_t sparingTableBytes = 0;
  std::vector<std::uint32_t> sparingTables;  // sectors
  // Metadata: blocks of the partition that holds the files' entries.
  std::uint32_t metadataFile = 0;
  std::uint32_t metadataMirror = 0;
  std::uint32_t metadataBitmap = 0xFFFFFFFF;  // none
};

// Logical volume descriptor (ECMA-167 3/10.6).
struct LogicalVolumeDescriptor {
  std::uint32_t sequenceNumber = 0;
  std::u16string label;
  std::uint32_t blockSize = 0;
  // The UDF revision of the domain identifier's suffix; 0 when the domain is
  // not OSTA UDF.
  std::uint16_t revision = 0;
  LongAd fileSet;      // the first file set descriptor
  ExtentAd integrity;  // the integrity sequence
  std::vector<PartitionMap> maps;
};

struct VolumeDescriptors {
  LogicalVolumeDescriptor logicalVolume;
  std::vector<PartitionDescriptor> partitions;  // one per number, the prevailing one
};

// Finds the anchor volume descriptor pointer of the session [start, end):
// at start + 256, else at the last sector, else 256 before it. Gives the main
// and reserve sequence extents. kNoFileSystem when no sector there looks like
// an anchor, kCorruptFileSystem when one does but fails its checks.
Result FindAnchor(SectorSource& source, std::uint32_t start, std::uint32_t end, ExtentAd& main,
                  ExtentAd& reserve);

// Reads the main volume descriptor sequence, or the reserve one when the
// main one is broken (unreadable, failing its checks, or lacking a logical
// volume or a partition its maps name).
Result ReadVolumeDescriptors(SectorSource& source, const ExtentAd& main, const ExtentAd& reserve,
                             VolumeDescriptors& out);

// Decodes a logical volume descriptor and its partition maps from its sector.
Result DecodeLogicalVolume(std::span<const std::uint8_t> sector, LogicalVolumeDescriptor& out);

}  // namespace wrenlo::udf
