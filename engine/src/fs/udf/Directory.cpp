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

// Blocks of a directory read at a time.
constexpr std::uint32_t kChunkBlocks = 16;

// Decodes a directory's descriptors as its bytes arrive, so that a directory
// of any size is read a few blocks at a time and memory follows the records
// kept. A descriptor may span two pieces: its bytes wait for the rest.
class DescriptorDecoder {
 public:
  DescriptorDecoder(std::span<const DataSegment> segments, std::vector<DirectoryRecord>& out)
      : segments_(segments), out_(out) {}

  // Takes the next bytes of the directory; last when they reach its end.
  Result Take(std::span<const std::uint8_t> bytes, bool last) {
    if (zeros_) return AllZero(bytes) ? kOk : kCorruptFileSystem;
    if (pending_.empty()) return Decode(bytes, last);
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    const std::vector<std::uint8_t> waiting = std::move(pending_);
    pending_.clear();
    return Decode(waiting, last);
  }

 private:
  Result Decode(std::span<const std::uint8_t> bytes, bool last) {
    std::size_t offset = 0;
    while (offset < bytes.size()) {
      const auto rest = bytes.subspan(offset);
      // A descriptor starts with its tag identifier, never a zero byte: from
      // a zero on, the rest of the data must be zeros, which some writers
      // leave after the last descriptor.
      if (rest[0] == 0) {
        zeros_ = true;
        return AllZero(rest) ? kOk : kCorruptFileSystem;
      }
      std::size_t used = 0;
      const Result result = DecodeOne(rest, last, used);
      if (result != kOk) return result;
      if (used == 0) {  // the descriptor goes on in the next piece
        pending_.assign(rest.begin(), rest.end());
        return kOk;
      }
      offset += used;
      at_ += used;
    }
    return kOk;
  }

  // Decodes the descriptor at the start of rest; used stays 0 when rest
  // does not hold all of it yet.
  Result DecodeOne(std::span<const std::uint8_t> rest, bool last, std::size_t& used) {
    if (rest.size() < kFixedLength) return last ? kCorruptFileSystem : kOk;
    ByteView view(rest);
    const std::size_t nameLength = view.U8(19);
    const std::size_t useLength = view.U16(36);
    const std::size_t length = kFixedLength + useLength + nameLength;
    // Descriptors are padded to four bytes; the last one may end the data
    // without its padding. The tag's CRC covers no more than the descriptor.
    const std::size_t whole = (length + 3) & ~std::size_t{3};
    if (whole > rest.size()) {
      if (!last) return kOk;
      if (length > rest.size()) return kCorruptFileSystem;
    }
    const std::size_t padded = std::min(whole, rest.size());
    std::uint16_t id = 0;
    if (CheckTag(rest.first(padded), BlockAt(segments_, at_), id) != kOk ||
        id != kTagFileIdentifier)
      return kCorruptFileSystem;
    used = padded;
    const std::uint8_t characteristics = view.U8(18);
    if (characteristics & (kParentBit | kDeletedBit)) return kOk;

    DirectoryRecord record;
    if (!DecodeCs0(rest.subspan(kFixedLength + useLength, nameLength), record.name) ||
        !IsAddressable(record.name))
      return kCorruptFileSystem;
    if (out_.size() >= kMaxDirectoryEntries) return kTooLarge;
    record.isDirectory = (characteristics & kDirectoryBit) != 0;
    record.icb = ReadLongAd(view, 20).address;
    out_.push_back(std::move(record));
    return kOk;
  }

  std::span<const DataSegment> segments_;
  std::vector<DirectoryRecord>& out_;
  std::uint64_t at_ = 0;               // the directory's byte at which pending_ starts
  std::vector<std::uint8_t> pending_;  // the start of a descriptor that goes on
  bool zeros_ = false;                 // past the last descriptor
};

}  // namespace

const DirectoryRecord* DirectoryListing::Find(std::u16string_view name) const {
  const auto found = byName_.find(name);
  return found == byName_.end() ? nullptr : &records_[found->second];
}

void DirectoryListing::IndexByName() {
  byName_.reserve(records_.size());
  for (std::size_t i = 0; i < records_.size(); ++i) byName_.try_emplace(records_[i].name, i);
}

Result ParseDirectory(std::span<const std::uint8_t> data, std::span<const DataSegment> segments,
                      DirectoryListing& listing) {
  listing.records_.clear();
  listing.byName_.clear();
  DescriptorDecoder decoder(segments, listing.records_);
  if (const Result result = decoder.Take(data, true); result != kOk) return result;
  listing.IndexByName();
  return kOk;
}

Result ReadDirectory(const LogicalVolume& volume, const FileEntry& entry, DirectoryListing& out) {
  if (entry.fileType != kFileTypeDirectory && entry.fileType != kFileTypeStreamDirectory)
    return kCorruptFileSystem;
  std::vector<DataExtent> extents;
  if (const Result result = ListDataExtents(volume, entry, extents); result != kOk) return result;
  if (entry.form == AllocationForm::kEmbedded) {
    const auto data = entry.Descriptors().first(static_cast<std::size_t>(entry.informationLength));
    const DataSegment segment{0, entry.address};
    return ParseDirectory(data, {&segment, 1}, out);
  }
  std::vector<DataSegment> segments;
  std::uint64_t offset = 0;
  for (const DataExtent& extent : extents) {
    // Every byte of a directory is recorded; a hole would also let a small
    // image announce a huge one.
    if (!extent.recorded) return kCorruptFileSystem;
    segments.push_back({offset, extent.address});
    offset += extent.length;
  }

  out.records_.clear();
  out.byName_.clear();
  DescriptorDecoder decoder(segments, out.records_);
  std::vector<std::uint8_t> chunk(std::size_t{kChunkBlocks} * kBlockSize);
  for (std::size_t e = 0; e < extents.size(); ++e) {
    const DataExtent& extent = extents[e];
    for (std::uint32_t done = 0; done < extent.length;) {
      const std::uint32_t bytes = std::min(extent.length - done, kChunkBlocks * kBlockSize);
      const BlockAddress at{extent.address.block + done / kBlockSize, extent.address.partition};
      if (const Result result =
              volume.ReadBlocks(at, (bytes + kBlockSize - 1) / kBlockSize, chunk.data());
          result != kOk)
        return result;
      done += bytes;
      const bool last = e + 1 == extents.size() && done == extent.length;
      if (const Result result = decoder.Take({chunk.data(), bytes}, last); result != kOk)
        return result;
    }
  }
  out.IndexByName();
  return kOk;
}

}  // namespace wrenlo::udf
