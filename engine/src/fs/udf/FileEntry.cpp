#include "FileEntry.h"

#include <algorithm>
#include <cstring>

#include "ByteView.h"
#include "Limits.h"
#include "Tag.h"
#include "Timestamp.h"

namespace wrenlo::udf {
namespace {

constexpr std::uint32_t kExtentLengthMask = 0x3FFFFFFF;
enum ExtentType : std::uint32_t {
  kRecorded = 0,
  kNextExtent = 3,  // the allocation descriptors continue there
};

std::uint64_t BlocksFor(std::uint64_t bytes) { return (bytes + kBlockSize - 1) / kBlockSize; }

}  // namespace

Result ReadFileEntry(const LogicalVolume& volume, BlockAddress at, FileEntry& out) {
  std::uint16_t id = 0;
  if (const Result result = volume.ReadDescriptor(at, out.bytes, id); result != kOk) return result;
  if (id != kTagFileEntry && id != kTagExtendedFileEntry) return kCorruptFileSystem;
  ByteView view(out.bytes);
  // ICB tag (4/14.6) at 16: strategy type, file type, flags.
  const std::uint16_t strategy = view.U16(20);
  if (strategy != 4) return kUnsupported;
  out.address = at;
  out.fileType = view.U8(27);
  const std::uint8_t form = view.U16(34) & 7;
  if (form > 3) return kCorruptFileSystem;
  out.form = static_cast<AllocationForm>(form);
  out.informationLength = view.U64(56);
  // The modification time follows the access time: at 84 in a file entry,
  // at 92 in an extended one (after its object size).
  out.modified = DecodeTimestamp(view, id == kTagFileEntry ? 84 : 92);
  // Lengths of the extended attributes and allocation descriptors close the
  // fixed part: at 168 in a file entry, at 208 in an extended one.
  const std::size_t fixed = id == kTagFileEntry ? 176 : 216;
  const std::uint64_t attributes = view.U32(fixed - 8);
  const std::uint64_t descriptors = view.U32(fixed - 4);
  if (fixed + attributes + descriptors > kBlockSize) return kCorruptFileSystem;
  out.descriptorsOffset = static_cast<std::uint32_t>(fixed + attributes);
  out.descriptorsLength = static_cast<std::uint32_t>(descriptors);
  return kOk;
}

Result ListDataExtents(const LogicalVolume& volume, const FileEntry& entry,
                       std::vector<DataExtent>& out) {
  out.clear();
  if (entry.form == AllocationForm::kEmbedded)
    return entry.informationLength <= entry.descriptorsLength ? kOk : kCorruptFileSystem;
  if (entry.form == AllocationForm::kExtended) return kUnsupported;

  const bool isShort = entry.form == AllocationForm::kShort;
  const std::size_t size = isShort ? 8 : 16;
  std::uint64_t remaining = entry.informationLength;
  std::uint64_t recordedBlocks = 0;
  std::size_t read = 0;
  std::vector<BlockAddress> continuations;
  Sector next{};
  ByteView descriptors(entry.Descriptors());
  // Short descriptors lie in the partition of the entry, or of the
  // allocation extent descriptor that holds them.
  std::uint16_t partition = entry.address.partition;

  while (remaining > 0) {
    bool continued = false;
    for (std::size_t offset = 0; offset + size <= descriptors.Size() && remaining > 0;
         offset += size) {
      if (++read > kMaxAllocationDescriptors) return kTooLarge;
      const std::uint32_t raw = descriptors.U32(offset);
      const std::uint32_t length = raw & kExtentLengthMask;
      const std::uint32_t type = raw >> 30;
      const BlockAddress address = isShort ? BlockAddress{descriptors.U32(offset + 4), partition}
                                           : ReadBlockAddress(descriptors, offset + 4);
      if (length == 0) break;  // the descriptors end here (4/12)
      if (type == kNextExtent) {
        // Allocation extent descriptor (4/14.5).
        if (continuations.size() >= static_cast<std::size_t>(kMaxAllocationExtents))
          return kTooLarge;
        if (std::find(continuations.begin(), continuations.end(), address) != continuations.end())
          return kCorruptFileSystem;
        continuations.push_back(address);
        std::uint16_t id = 0;
        if (const Result result = volume.ReadDescriptor(address, next, id); result != kOk)
          return result;
        ByteView aed(next);
        const std::uint64_t used = aed.U32(20);
        if (id != kTagAllocationExtent || 24 + used > std::min<std::uint64_t>(length, kBlockSize))
          return kCorruptFileSystem;
        descriptors = ByteView(std::span<const std::uint8_t>(next).subspan(24, used));
        partition = address.partition;
        continued = true;
        break;
      }
      const std::uint64_t take = std::min<std::uint64_t>(length, remaining);
      const bool recorded = type == kRecorded;
      if (recorded) {
        recordedBlocks += BlocksFor(take);
        if (recordedBlocks > volume.Source().SectorCount()) return kCorruptFileSystem;
      }
      out.push_back({address, static_cast<std::uint32_t>(take), recorded});
      remaining -= take;
    }
    if (!continued) break;
  }
  return remaining == 0 ? kOk : kCorruptFileSystem;
}

Result MapDataSectors(const LogicalVolume& volume, const FileEntry& entry,
                      std::vector<Extent>& out) {
  std::vector<DataExtent> extents;
  if (const Result result = ListDataExtents(volume, entry, extents); result != kOk) return result;
  for (const DataExtent& extent : extents) {
    if (!extent.recorded) continue;
    const std::uint32_t blocks = ExtentAd{extent.length, 0}.Sectors();
    if (const Result result = volume.Map(extent.address, blocks, false, out); result != kOk)
      return result;
  }
  return kOk;
}

Result ReadFileData(const LogicalVolume& volume, const FileEntry& entry, std::uint64_t maxBytes,
                    std::vector<std::uint8_t>& data, std::vector<DataSegment>& segments) {
  segments.clear();
  if (entry.informationLength > maxBytes) return kTooLarge;
  std::vector<DataExtent> extents;
  if (const Result result = ListDataExtents(volume, entry, extents); result != kOk) return result;
  data.assign(static_cast<std::size_t>(entry.informationLength), 0);
  if (entry.form == AllocationForm::kEmbedded) {
    std::memcpy(data.data(), entry.Descriptors().data(), data.size());
    segments.push_back({0, entry.address});
    return kOk;
  }
  std::vector<std::uint8_t> blocks;
  std::uint64_t offset = 0;
  for (const DataExtent& extent : extents) {
    // Every byte of a directory or a table is recorded; a hole would also
    // let a small image announce a huge one.
    if (!extent.recorded) return kCorruptFileSystem;
    const auto count = static_cast<std::uint32_t>(BlocksFor(extent.length));
    blocks.resize(std::size_t{count} * kBlockSize);
    if (const Result result = volume.ReadBlocks(extent.address, count, blocks.data());
        result != kOk)
      return result;
    std::memcpy(data.data() + offset, blocks.data(), extent.length);
    segments.push_back({offset, extent.address});
    offset += extent.length;
  }
  return kOk;
}

}  // namespace wrenlo::udf
