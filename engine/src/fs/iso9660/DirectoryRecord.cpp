#include "fs/iso9660/DirectoryRecord.h"

#include "Text.h"
#include "fs/iso9660/IsoDates.h"

namespace wrenlo {

Result DecodeDirectoryRecord(Bytes bytes, DirectoryRecord& out) {
  // 9.1: length (1), extended attribute length (1), location (8, both-endian),
  // data length (8, both-endian), date (7), flags (1), file unit size (1),
  // interleave gap (1), volume sequence number (4), identifier length (1).
  if (bytes.size() < kDirectoryRecordHeader + 1) return kCorruptFileSystem;
  const std::size_t nameLength = U8(bytes, 32);
  if (nameLength == 0 || kDirectoryRecordHeader + nameLength > bytes.size())
    return kCorruptFileSystem;
  out.extendedAttributeLength = U8(bytes, 1);
  // Both-endian fields: the little-endian half is used.
  out.location = Le32(bytes, 2);
  out.dataLength = Le32(bytes, 10);
  out.recorded = DecodeShortDate(bytes.subspan(18, kShortDateLength));
  out.flags = U8(bytes, 25);
  out.interleaved = U8(bytes, 26) != 0 || U8(bytes, 27) != 0;
  out.identifier = bytes.subspan(kDirectoryRecordHeader, nameLength);
  const std::size_t systemUse = kDirectoryRecordHeader + nameLength + (nameLength % 2 == 0 ? 1 : 0);
  out.systemUse = systemUse < bytes.size() ? bytes.subspan(systemUse) : Bytes{};
  return kOk;
}

namespace {

// Removes ";" and the digits after it at the end of name.
void RemoveVersion(std::u16string& name) {
  const std::size_t semicolon = name.rfind(u';');
  if (semicolon == std::u16string::npos) return;
  for (std::size_t i = semicolon + 1; i < name.size(); ++i)
    if (name[i] < u'0' || name[i] > u'9') return;
  name.erase(semicolon);
}

}  // namespace

std::u16string DecodeRecordName(const DirectoryRecord& record, bool joliet) {
  std::u16string name = joliet ? FromUcs2Be(record.identifier) : FromLatin1(record.identifier);
  if (!record.IsDirectory()) {
    RemoveVersion(name);
    if (!name.empty() && name.back() == u'.') name.pop_back();
  }
  return name;
}

}  // namespace wrenlo
