#include "PartitionLoader.h"

#include <algorithm>

#include "ByteView.h"
#include "FileEntry.h"
#include "Identifier.h"
#include "Limits.h"
#include "Sector.h"
#include "Tag.h"

namespace wrenlo::udf {
namespace {

// Sparing table entries at or above this original location are free or
// defective spare packets, not moved ones.
constexpr std::uint32_t kFirstSpecialEntry = 0xFFFFFFF0;

// Reads the first sparing table (OSTA UDF 2.2.12) that passes its checks. A
// partition whose tables all fail is read in place, as a damaged disc's data
// is still mostly where it was written.
Result LoadSparingTable(SectorSource& source, const PartitionMap& map, Partition& out) {
  if (map.sparingTableBytes > kMaxSparingTableBytes) return kTooLarge;
  const std::uint32_t sectors =
      std::max<std::uint32_t>(1, ExtentAd{map.sparingTableBytes, 0}.Sectors());
  std::vector<std::uint8_t> table(std::size_t{sectors} * kBlockSize);
  for (const std::uint32_t location : map.sparingTables) {
    bool readable = true;
    Sector sector;
    for (std::uint32_t i = 0; i < sectors && readable; ++i) {
      readable = ReadSector(source, std::uint64_t{location} + i, sector) == kOk;
      std::copy(sector.begin(), sector.end(), table.begin() + std::size_t{i} * kBlockSize);
    }
    std::uint16_t id = 0;
    if (!readable || CheckTag(table, location, id) != kOk || id != kTagSparingTable) continue;
    ByteView view(table);
    const std::size_t entries = view.U16(48);
    if (!IdentifierIs(view.Bytes(16, kIdentifierSize), "*UDF Sparing Table") ||
        !view.Has(56, 8 * entries))
      continue;
    for (std::size_t i = 0; i < entries; ++i) {
      const std::uint32_t original = view.U32(56 + 8 * i);
      if (original < kFirstSpecialEntry) out.sparedPackets[original] = view.U32(60 + 8 * i);
    }
    return kOk;
  }
  return kOk;
}

// The runs of the metadata file or its mirror (OSTA UDF 2.2.13), whose entry
// lies at `at` in the partition that holds the metadata.
Result ReadMetadataFile(const LogicalVolume& volume, BlockAddress at, std::uint8_t type,
                        std::vector<MetadataRun>& runs, std::uint64_t& blocks) {
  FileEntry entry;
  std::vector<DataExtent> extents;
  if (const Result result = ReadFileEntry(volume, at, entry); result != kOk) return result;
  if (entry.fileType != type || entry.form == AllocationForm::kEmbedded) return kCorruptFileSystem;
  if (const Result result = ListDataExtents(volume, entry, extents); result != kOk) return result;
  blocks = 0;
  for (const DataExtent& extent : extents) {
    const std::uint32_t count = ExtentAd{extent.length, 0}.Sectors();
    if (!extent.recorded || extent.address.partition != at.partition ||
        std::uint64_t{extent.address.block} + count > 0xFFFFFFFF)
      return kCorruptFileSystem;
    runs.push_back({blocks, extent.address.block, count});
    blocks += count;
  }
  return kOk;
}

Result LoadMetadata(const LogicalVolume& volume, const PartitionMap& map, std::uint16_t underlying,
                    Partition& out) {
  std::uint64_t mirrorBlocks = 0;
  const Result main = ReadMetadataFile(volume, {map.metadataFile, underlying}, kFileTypeMetadata,
                                       out.metadata, out.metadataBlocks);
  const Result mirror = ReadMetadataFile(volume, {map.metadataMirror, underlying},
                                         kFileTypeMetadataMirror, out.mirror, mirrorBlocks);
  if (main == kOk) {
    if (mirror != kOk) out.mirror.clear();
    return kOk;
  }
  out.metadata.clear();
  if (mirror != kOk) return main;
  out.metadata.swap(out.mirror);
  out.metadataBlocks = mirrorBlocks;
  return kOk;
}

}  // namespace

Result LoadPartitions(const VolumeDescriptors& descriptors, std::uint32_t sessionStart,
                      std::uint32_t sessionEnd, LogicalVolume& volume, VatFacts& vatFacts) {
  const std::vector<PartitionMap>& maps = descriptors.logicalVolume.maps;
  std::vector<Partition>& partitions = volume.Partitions();
  partitions.assign(maps.size(), Partition{});

  // Recording partitions first: the virtual and metadata partitions are
  // read through them.
  for (std::size_t i = 0; i < maps.size(); ++i) {
    const auto descriptor = std::find_if(
        descriptors.partitions.begin(), descriptors.partitions.end(),
        [&](const PartitionDescriptor& p) { return p.number == maps[i].partitionNumber; });
    if (descriptor == descriptors.partitions.end()) return kCorruptFileSystem;
    partitions[i].kind = maps[i].kind;
    partitions[i].start = descriptor->start;
    partitions[i].length = descriptor->length;
    if (maps[i].kind == MapKind::kSparable) {
      partitions[i].packetLength = maps[i].packetLength;
      if (const Result result = LoadSparingTable(volume.Source(), maps[i], partitions[i]);
          result != kOk)
        return result;
    }
  }

  for (std::size_t i = 0; i < maps.size(); ++i) {
    if (maps[i].kind != MapKind::kVirtual && maps[i].kind != MapKind::kMetadata) continue;
    const auto recording = std::find_if(maps.begin(), maps.end(), [&](const PartitionMap& m) {
      return m.partitionNumber == maps[i].partitionNumber &&
             (m.kind == MapKind::kPhysical || m.kind == MapKind::kSparable);
    });
    if (recording == maps.end()) return kCorruptFileSystem;
    const auto underlying = static_cast<std::uint16_t>(recording - maps.begin());
    Partition loaded = partitions[i];
    loaded.underlying = underlying;
    const Result result =
        maps[i].kind == MapKind::kMetadata
            ? LoadMetadata(volume, maps[i], underlying, loaded)
            : LoadVat(volume, underlying, sessionStart, sessionEnd, loaded.vat, vatFacts);
    if (result != kOk) return result;
    partitions[i] = std::move(loaded);
  }
  return kOk;
}

}  // namespace wrenlo::udf
