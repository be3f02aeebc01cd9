#include "LogicalVolume.h"

#include <algorithm>

#include "Limits.h"
#include "Tag.h"

namespace wrenlo::udf {
namespace {

constexpr std::uint32_t kUnusedVatEntry = 0xFFFFFFFF;
// Sectors read with one call of the source.
constexpr std::uint64_t kReadChunk = 64;

bool IsRecordingPartition(const Partition& partition) {
  return partition.kind == MapKind::kPhysical || partition.kind == MapKind::kSparable;
}

}  // namespace

bool AppendRun(std::vector<Extent>& runs, std::uint64_t start, std::uint64_t count) {
  if (count == 0) return true;
  if (!runs.empty() && runs.back().start + runs.back().count == start) {
    runs.back().count += count;
    return true;
  }
  if (runs.size() >= kMaxFileRuns) return false;
  runs.push_back({start, count});
  return true;
}

Result LogicalVolume::Map(BlockAddress at, std::uint32_t count, bool checked,
                          std::vector<Extent>& out) const {
  return MapInto(at, count, checked, false, out);
}

Result LogicalVolume::MapInto(BlockAddress at, std::uint32_t count, bool checked, bool mirror,
                              std::vector<Extent>& out) const {
  if (at.partition >= partitions_.size()) return kCorruptFileSystem;
  const Partition& partition = partitions_[at.partition];
  const std::uint64_t first = at.block;
  const std::uint64_t end = first + count;

  switch (partition.kind) {
    case MapKind::kPhysical:
      if (checked && end > partition.length) return kCorruptFileSystem;
      return AppendRun(out, partition.start + first, count) ? kOk : kTooLarge;

    case MapKind::kSparable: {
      if (checked && end > partition.length) return kCorruptFileSystem;
      // Blocks outside moved packets stay in place; a moved packet's blocks
      // keep their offset inside the packet.
      auto packet = partition.sparedPackets.upper_bound(at.block);
      if (packet != partition.sparedPackets.begin()) --packet;
      std::uint64_t block = first;
      while (block < end) {
        while (packet != partition.sparedPackets.end() &&
               std::uint64_t{packet->first} + partition.packetLength <= block)
          ++packet;
        if (packet == partition.sparedPackets.end() || packet->first >= end)
          return AppendRun(out, partition.start + block, end - block) ? kOk : kTooLarge;
        if (packet->first > block) {
          if (!AppendRun(out, partition.start + block, packet->first - block)) return kTooLarge;
          block = packet->first;
        }
        const std::uint64_t packetEnd =
            std::min(end, std::uint64_t{packet->first} + partition.packetLength);
        if (!AppendRun(out, packet->second + (block - packet->first), packetEnd - block))
          return kTooLarge;
        block = packetEnd;
        ++packet;
      }
      return kOk;
    }

    case MapKind::kVirtual: {
      if (end > partition.vat.size() || partition.underlying >= partitions_.size() ||
          !IsRecordingPartition(partitions_[partition.underlying]))
        return kCorruptFileSystem;
      for (std::uint64_t block = first; block < end; ++block) {
        const std::uint32_t entry = partition.vat[block];
        if (entry == kUnusedVatEntry) return kCorruptFileSystem;
        const Result result = MapInto({entry, partition.underlying}, 1, checked, false, out);
        if (result != kOk) return result;
      }
      return kOk;
    }

    case MapKind::kMetadata: {
      const std::vector<MetadataRun>& runs = mirror ? partition.mirror : partition.metadata;
      if (runs.empty() || end > partition.metadataBlocks ||
          partition.underlying >= partitions_.size() ||
          !IsRecordingPartition(partitions_[partition.underlying]))
        return kCorruptFileSystem;
      auto run = std::upper_bound(
          runs.begin(), runs.end(), first,
          [](std::uint64_t block, const MetadataRun& r) { return block < r.fileBlock; });
      std::uint64_t block = first;
      while (block < end) {
        if (run == runs.begin()) return kCorruptFileSystem;
        const MetadataRun& containing = *std::prev(run);
        const std::uint64_t runEnd = containing.fileBlock + containing.count;
        if (block >= runEnd) return kCorruptFileSystem;
        const std::uint64_t n = std::min(end, runEnd) - block;
        const BlockAddress underlying{
            static_cast<std::uint32_t>(containing.block + (block - containing.fileBlock)),
            partition.underlying};
        const Result result =
            MapInto(underlying, static_cast<std::uint32_t>(n), checked, false, out);
        if (result != kOk) return result;
        block += n;
        if (run != runs.end()) ++run;
      }
      return kOk;
    }

    case MapKind::kUnknown:
      return kUnsupported;
  }
  return kCorruptFileSystem;
}

Result LogicalVolume::SectorOf(BlockAddress at, std::uint64_t& sector) const {
  std::vector<Extent> runs;
  const Result result = Map(at, 1, true, runs);
  if (result != kOk) return result;
  sector = runs.front().start;
  return kOk;
}

Result LogicalVolume::ReadDescriptorVia(BlockAddress at, bool mirror, Sector& out,
                                        std::uint16_t& id) const {
  std::vector<Extent> runs;
  if (const Result result = MapInto(at, 1, true, mirror, runs); result != kOk) return result;
  if (const Result result = ReadSector(source_, runs.front().start, out); result != kOk)
    return result;
  const Result checked = CheckTag(out, at.block, id);
  // In the virtual partition some writers record the block of the
  // underlying partition instead of the virtual one.
  const Partition& partition = partitions_[at.partition];
  if (checked != kOk && partition.kind == MapKind::kVirtual)
    return CheckTag(out, partition.vat[at.block], id);
  return checked;
}

Result LogicalVolume::ReadDescriptor(BlockAddress at, Sector& out, std::uint16_t& id) const {
  const Result result = ReadDescriptorVia(at, false, out, id);
  if (result == kOk || at.partition >= partitions_.size() ||
      partitions_[at.partition].mirror.empty())
    return result;
  return ReadDescriptorVia(at, true, out, id) == kOk ? kOk : result;
}

Result LogicalVolume::ReadRuns(const std::vector<Extent>& runs, std::uint8_t* out) const {
  for (const Extent& run : runs) {
    if (run.start + run.count > source_.SectorCount()) return kCorruptFileSystem;
    for (std::uint64_t done = 0; done < run.count;) {
      const std::uint64_t n = std::min(kReadChunk, run.count - done);
      const Result result = source_.Read(static_cast<std::uint32_t>(run.start + done),
                                         static_cast<std::uint32_t>(n), out);
      if (result != kOk) return result;
      out += n * kBlockSize;
      done += n;
    }
  }
  return kOk;
}

Result LogicalVolume::ReadBlocks(BlockAddress at, std::uint32_t count, std::uint8_t* out) const {
  std::vector<Extent> runs;
  Result result = MapInto(at, count, true, false, runs);
  if (result == kOk) result = ReadRuns(runs, out);
  if (result == kOk || at.partition >= partitions_.size() ||
      partitions_[at.partition].mirror.empty())
    return result;
  runs.clear();
  if (MapInto(at, count, true, true, runs) != kOk || ReadRuns(runs, out) != kOk) return result;
  return kOk;
}

}  // namespace wrenlo::udf
