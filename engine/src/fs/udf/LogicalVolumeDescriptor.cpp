// The logical volume descriptor (ECMA-167 3/10.6) and its partition maps
// (3/10.7, OSTA UDF 2.2.8 to 2.2.10).
#include "ByteView.h"
#include "Cs0.h"
#include "Identifier.h"
#include "Limits.h"
#include "VolumeDescriptors.h"

namespace wrenlo::udf {
namespace {

constexpr std::size_t kMapTableOffset = 440;

// A type 2 map (64 bytes): its kind from the partition type identifier.
Result DecodeType2Map(ByteView& view, std::size_t offset, PartitionMap& map) {
  const auto type = view.Bytes(offset + 4, kIdentifierSize);
  map.partitionNumber = view.U16(offset + 38);
  if (IdentifierIs(type, "*UDF Virtual Partition")) {
    map.kind = MapKind::kVirtual;
  } else if (IdentifierIs(type, "*UDF Sparable Partition")) {
    map.kind = MapKind::kSparable;
    map.packetLength = view.U16(offset + 40);
    const std::uint8_t tables = view.U8(offset + 42);
    map.sparingTableBytes = view.U32(offset + 44);
    if (tables > 4 || map.packetLength == 0) return kCorruptFileSystem;
    for (std::uint8_t i = 0; i < tables; ++i)
      map.sparingTables.push_back(view.U32(offset + 48 + 4 * i));
  } else if (IdentifierIs(type, "*UDF Metadata Partition")) {
    map.kind = MapKind::kMetadata;
    map.metadataFile = view.U32(offset + 40);
    map.metadataMirror = view.U32(offset + 44);
    map.metadataBitmap = view.U32(offset + 48);
  } else {
    map.kind = MapKind::kUnknown;
  }
  return kOk;
}

}  // namespace

Result DecodeLogicalVolume(std::span<const std::uint8_t> sector, LogicalVolumeDescriptor& out) {
  ByteView view(sector);
  out.sequenceNumber = view.U32(16);
  out.label = DecodeDString(view.Bytes(84, 128));
  out.blockSize = view.U32(212);
  // Domain identifier: "*OSTA UDF Compliant", the revision in its suffix.
  const auto domain = view.Bytes(216, kIdentifierSize);
  out.revision = IdentifierIs(domain, "*OSTA UDF Compliant") ? view.U16(216 + 24) : 0;
  out.fileSet = ReadLongAd(view, 248);
  const std::uint32_t tableLength = view.U32(264);
  const std::uint32_t mapCount = view.U32(268);
  out.integrity = ReadExtentAd(view, 432);
  if (view.Failed()) return kCorruptFileSystem;

  if (!view.Has(kMapTableOffset, tableLength)) return kCorruptFileSystem;
  if (mapCount > kMaxPartitionMaps) return kTooLarge;
  const std::size_t end = kMapTableOffset + tableLength;
  std::size_t offset = kMapTableOffset;
  out.maps.clear();
  for (std::uint32_t i = 0; i < mapCount; ++i) {
    if (end - offset < 2) return kCorruptFileSystem;
    const std::uint8_t type = view.U8(offset);
    const std::uint8_t length = view.U8(offset + 1);
    if (length > end - offset) return kCorruptFileSystem;
    PartitionMap map;
    if (type == 1 && length == 6) {
      map.partitionNumber = view.U16(offset + 4);
    } else if (type == 2 && length == 64) {
      if (const Result result = DecodeType2Map(view, offset, map); result != kOk) return result;
    } else {
      return kCorruptFileSystem;
    }
    out.maps.push_back(std::move(map));
    offset += length;
  }
  return kOk;
}

}  // namespace wrenlo::udf
