#include "Directory.h"

#include <algorithm>

#include "ByteView.h"
#include "Cs0.h"
#include "Limits.h"
#include "Tag.h"
#include "fs/Path.h"

namespace wrenlo::udf {
namespace {

constexpr std::size_t kFixedLength = 38;
// File characteristics (4/14.4.3).
constexpr std::uint8_t kDirectoryBit = 0x02;
constexpr std::uint8_t kDeletedBit = 0x04;
constexpr std::uint8_t kParentBit = 0x08;

// The block in which the byte at offset of the data lies.
std::uint32_t BlockAt(std::span<const DataSegment> segments, std::uint64_t offset) {
  auto segment =
      std::upper_bound(segments.begin(), segments.end(), offset,
                       [](std::uint64_t value, const DataSegment& s) { return value < s.offset; });
  if (segment == segments.begin()) return 0;
  --segment;
  return static_cast<std::uint32_t>(segment->address.block +
                                    (offset - segment->offset) / kBlockSize);
}

bool AllZero(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

}  // namespace

const DirectoryRecord* DirectoryListing::Find(std::u16string_view name) const {
  const auto found = byName_.find(name);
  return found == byName_.end() ? nullptr : &records_[found->second];
}

Result ParseDirectory(std::span<const std::uint8_t> data, std::span<const DataSegment> segments,
                      DirectoryListing& listing) {
  std::vector<DirectoryRecord>& out = listing.records_;
  out.clear();
  listing.byName_.clear();
  std::size_t offset = 0;
  while (offset < data.size()) {
    const auto rest = data.subspan(offset);
    // Some writers leave zeros after the last descriptor.
    if (AllZero(rest)) break;
    if (rest.size() < kFixedLength) return kCorruptFileSystem;
    ByteView view(rest);
    const std::size_t nameLength = view.U8(19);
    const std::size_t useLength = view.U16(36);
    const std::size_t length = kFixedLength + useLength + nameLength;
    if (length > rest.size()) return kCorruptFileSystem;
    // Descriptors are padded to four bytes; the last one may end the data
    // without its padding. The tag's CRC covers no more than the descriptor.
    const std::size_t padded = std::min((length + 3) & ~std::size_t{3}, rest.size());
    std::uint16_t id = 0;
    if (CheckTag(rest.first(padded), BlockAt(segments, offset), id) != kOk ||
        id != kTagFileIdentifier)
      return kCorruptFileSystem;
    const std::uint8_t characteristics = view.U8(18);
    const BlockAddress icb = ReadLongAd(view, 20).address;
    offset += padded;
    if (characteristics & (kParentBit | kDeletedBit)) continue;

    DirectoryRecord record;
    if (!DecodeCs0(rest.subspan(kFixedLength + useLength, nameLength), record.name) ||
        !IsAddressable(record.name))
      return kCorruptFileSystem;
    if (out.size() >= kMaxDirectoryEntries) return kTooLarge;
    record.isDirectory = (characteristics & kDirectoryBit) != 0;
    record.icb = icb;
    out.push_back(std::move(record));
  }
  // Built once the records no longer move.
  listing.byName_.reserve(out.size());
  for (std::size_t i = 0; i < out.size(); ++i) listing.byName_.try_emplace(out[i].name, i);
  return kOk;
}

Result ReadDirectory(const LogicalVolume& volume, const FileEntry& entry, DirectoryListing& out) {
  if (entry.fileType != kFileTypeDirectory && entry.fileType != kFileTypeStreamDirectory)
    return kCorruptFileSystem;
  std::vector<std::uint8_t> data;
  std::vector<DataSegment> segments;
  if (const Result result = ReadFileData(volume, entry, kMaxDirectoryBytes, data, segments);
      result != kOk)
    return result;
  return ParseDirectory(data, segments, out);
}

}  // namespace wrenlo::udf
