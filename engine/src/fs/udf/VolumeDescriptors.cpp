#include "VolumeDescriptors.h"

#include <algorithm>
#include <map>
#include <optional>

#include "ByteView.h"
#include "Limits.h"
#include "Sector.h"
#include "Tag.h"

namespace wrenlo::udf {
namespace {

// Partition descriptor (ECMA-167 3/10.5).
PartitionDescriptor DecodePartition(ByteView view) {
  PartitionDescriptor partition;
  partition.sequenceNumber = view.U32(16);
  partition.number = view.U16(22);
  partition.start = view.U32(188);
  partition.length = view.U32(192);
  // The partition contents use holds a partition header when the contents
  // (an identifier after a flags byte) are "+NSR02" or "+NSR03".
  if (view.U8(25) == '+' && view.U8(26) == 'N' && view.U8(27) == 'S' && view.U8(28) == 'R') {
    const auto run = [&](std::size_t offset) {
      return PartitionRun{view.U32(offset), view.U32(offset + 4)};
    };
    partition.unallocatedTable = run(56);
    partition.unallocatedBitmap = run(64);
    partition.freedTable = run(80);
    partition.freedBitmap = run(88);
  }
  return partition;
}

// One volume descriptor sequence (ECMA-167 3/8.4.2): descriptors in
// consecutive sectors up to a terminating descriptor, an unrecorded or
// invalid sector, or the end of the extent; a volume descriptor pointer
// continues it elsewhere. Of each descriptor the one with the highest
// sequence number prevails.
Result ReadSequence(SectorSource& source, ExtentAd extent, VolumeDescriptors& out) {
  std::optional<LogicalVolumeDescriptor> logicalVolume;
  std::map<std::uint16_t, PartitionDescriptor> partitions;
  std::vector<std::uint32_t> continuations{extent.location};
  std::uint32_t examined = 0;
  Sector sector;

  bool ended = false;
  while (!ended) {
    bool continued = false;
    const std::uint32_t count = extent.Sectors();
    for (std::uint32_t i = 0; i < count && !ended && !continued; ++i) {
      if (++examined > kMaxVolumeDescriptorSectors) return kTooLarge;
      const std::uint64_t address = std::uint64_t{extent.location} + i;
      if (const Result read = ReadSector(source, address, sector); read != kOk) return read;
      std::uint16_t id = 0;
      if (CheckTag(sector, static_cast<std::uint32_t>(address), id) != kOk) break;
      ByteView view(sector);
      switch (id) {
        case kTagTerminating:
          ended = true;
          break;
        case kTagVolumePointer: {
          // Volume descriptor pointer (3/10.3): the next extent of the sequence.
          extent = ReadExtentAd(view, 20);
          if (continuations.size() > kMaxVolumeDescriptorPointers) return kTooLarge;
          if (std::find(continuations.begin(), continuations.end(), extent.location) !=
              continuations.end())
            return kCorruptFileSystem;
          continuations.push_back(extent.location);
          continued = true;
          break;
        }
        case kTagPartition: {
          const PartitionDescriptor partition = DecodePartition(view);
          auto [it, added] = partitions.try_emplace(partition.number, partition);
          if (!added && partition.sequenceNumber >= it->second.sequenceNumber)
            it->second = partition;
          break;
        }
        case kTagLogicalVolume: {
          LogicalVolumeDescriptor decoded;
          if (const Result result = DecodeLogicalVolume(sector, decoded); result != kOk)
            return result;
          if (!logicalVolume || decoded.sequenceNumber >= logicalVolume->sequenceNumber)
            logicalVolume = std::move(decoded);
          break;
        }
        default:
          break;  // primary, implementation use, unallocated space: not needed
      }
    }
    if (!continued) ended = true;
  }

  if (!logicalVolume || partitions.empty()) return kCorruptFileSystem;
  for (const PartitionMap& map : logicalVolume->maps)
    if (!partitions.contains(map.partitionNumber)) return kCorruptFileSystem;
  out.logicalVolume = std::move(*logicalVolume);
  out.partitions.clear();
  for (const auto& [number, partition] : partitions) out.partitions.push_back(partition);
  return kOk;
}

}  // namespace

Result FindAnchor(SectorSource& source, std::uint32_t start, std::uint32_t end, ExtentAd& main,
                  ExtentAd& reserve) {
  std::vector<std::uint64_t> candidates{std::uint64_t{start} + 256};
  if (end > start) candidates.push_back(end - 1);
  if (end > start + 256) candidates.push_back(end - 1 - 256);

  Result failure = kNoFileSystem;
  Sector sector;
  for (const std::uint64_t address : candidates) {
    if (address >= end) continue;
    const Result read = ReadSector(source, address, sector);
    if (read != kOk) {
      if (failure == kNoFileSystem) failure = read;
      continue;
    }
    ByteView view(sector);
    std::uint16_t id = 0;
    if (CheckTag(sector, static_cast<std::uint32_t>(address), id) != kOk) {
      if (view.U16(0) == kTagAnchor) failure = kCorruptFileSystem;
      continue;
    }
    if (id != kTagAnchor) continue;
    // Anchor volume descriptor pointer (3/10.2).
    main = ReadExtentAd(view, 16);
    reserve = ReadExtentAd(view, 24);
    return kOk;
  }
  return failure;
}

Result ReadVolumeDescriptors(SectorSource& source, const ExtentAd& main, const ExtentAd& reserve,
                             VolumeDescriptors& out) {
  const Result result = ReadSequence(source, main, out);
  if (result == kOk || reserve.length == 0) return result;
  return ReadSequence(source, reserve, out) == kOk ? kOk : result;
}

}  // namespace wrenlo::udf
