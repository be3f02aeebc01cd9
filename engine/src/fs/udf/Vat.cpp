// The virtual allocation table of write-once media (OSTA UDF 2.2.11).
#include <algorithm>
#include <limits>

#include "ByteView.h"
#include "Cs0.h"
#include "FileEntry.h"
#include "Identifier.h"
#include "Limits.h"
#include "PartitionLoader.h"

namespace wrenlo::udf {
namespace {

constexpr std::size_t kHeaderLength = 152;  // the fixed part of the 2.00 header
constexpr std::size_t kTrailerLength = 36;  // the 1.50 regid and previous VAT location

std::int32_t Count(std::uint32_t value) {
  return static_cast<std::int32_t>(
      std::min<std::uint32_t>(value, std::numeric_limits<std::int32_t>::max()));
}

void ReadEntries(ByteView& view, std::size_t from, std::size_t to,
                 std::vector<std::uint32_t>& vat) {
  vat.resize((to - from) / 4);
  for (std::size_t i = 0; i < vat.size(); ++i) vat[i] = view.U32(from + 4 * i);
}

// Decodes the table from the VAT file's data. False when the data is not a
// VAT of the kind its entry announces.
bool DecodeVat(const FileEntry& entry, std::span<const std::uint8_t> data,
               std::vector<std::uint32_t>& vat, VatFacts& facts) {
  ByteView view(data);
  if (entry.fileType == kFileTypeVat) {
    const std::size_t headerLength = view.U16(0);
    const std::size_t useLength = view.U16(2);
    if (view.Failed() || headerLength < kHeaderLength || headerLength > data.size() ||
        kHeaderLength + useLength > headerLength)
      return false;
    facts.hasHeader = true;
    facts.label = DecodeDString(view.Bytes(4, 128));
    facts.fileCount = Count(view.U32(136));
    facts.directoryCount = Count(view.U32(140));
    ReadEntries(view, headerLength, data.size(), vat);
    return true;
  }
  if (data.size() < kTrailerLength ||
      !IdentifierIs(data.subspan(data.size() - kTrailerLength), "*UDF Virtual Alloc Tbl"))
    return false;
  ReadEntries(view, 0, data.size() - kTrailerLength, vat);
  return true;
}

}  // namespace

Result LoadVat(const LogicalVolume& volume, std::uint16_t underlying, std::uint32_t sessionStart,
               std::uint32_t sessionEnd, std::vector<std::uint32_t>& vat, VatFacts& facts) {
  const Partition& partition = volume.Partitions()[underlying];
  const std::uint32_t lowest = std::max(sessionStart, partition.start);
  for (std::uint32_t checked = 0; checked < kVatSearchSectors; ++checked) {
    if (sessionEnd <= lowest || sessionEnd - lowest <= checked) break;
    const std::uint32_t block = sessionEnd - 1 - checked - partition.start;
    FileEntry entry;
    if (ReadFileEntry(volume, {block, underlying}, entry) != kOk) continue;
    if (entry.fileType != kFileTypeVat && entry.fileType != kFileTypeUnspecified) continue;
    std::vector<std::uint8_t> data;
    std::vector<DataSegment> segments;
    // A file of unspecified type here may be an ordinary file rather than a
    // 1.50 VAT; only a failing entry of the VAT's own type ends the search.
    const Result result = ReadFileData(volume, entry, kMaxVatBytes, data, segments);
    if (result != kOk) {
      if (entry.fileType == kFileTypeVat) return result;
      continue;
    }
    if (DecodeVat(entry, data, vat, facts)) {
      facts.entry = BlockAddress{block, underlying};
      return kOk;
    }
  }
  return kCorruptFileSystem;
}

}  // namespace wrenlo::udf
