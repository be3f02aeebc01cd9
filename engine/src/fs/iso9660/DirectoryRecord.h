// ISO 9660 directory records (ECMA-119 9.1) and the names they carry.
#pragma once

#include <cstdint>
#include <string>

#include "Bytes.h"
#include "FileTime.h"
#include "Result.h"

namespace wrenlo {

// ECMA-119 9.1.6 file flags.
inline constexpr std::uint8_t kIsoFlagDirectory = 0x02;
inline constexpr std::uint8_t kIsoFlagAssociated = 0x04;
inline constexpr std::uint8_t kIsoFlagMultiExtent = 0x80;

// The fixed part of a directory record before its identifier.
inline constexpr std::size_t kDirectoryRecordHeader = 33;

struct DirectoryRecord {
  std::uint32_t location = 0;                // first logical block of the extent
  std::uint32_t dataLength = 0;              // bytes
  std::uint8_t extendedAttributeLength = 0;  // logical blocks before the data
  std::uint8_t flags = 0;
  bool interleaved = false;  // file unit size or gap size set
  FileTime recorded;         // the recording date and time (9.1.5), when set
  Bytes identifier;          // the raw file identifier, inside the record
  // The system use field: what follows the identifier (and the padding byte
  // after an identifier of even length) up to the record's end.
  Bytes systemUse;

  bool IsDirectory() const { return (flags & kIsoFlagDirectory) != 0; }
  // The identifiers 0x00 and 0x01 name the directory itself and its parent.
  bool IsSelf() const { return identifier.size() == 1 && identifier[0] == 0; }
  bool IsParent() const { return identifier.size() == 1 && identifier[0] == 1; }
  // First sector of the data, past the extended attribute record.
  std::uint64_t DataStart() const { return std::uint64_t{location} + extendedAttributeLength; }
  std::uint64_t DataSectors() const { return (std::uint64_t{dataLength} + 2047) / 2048; }
};

// Decodes one record: bytes holds exactly the record, as long as its length
// byte says. kCorruptFileSystem when the record is too short for its header or
// its identifier.
Result DecodeDirectoryRecord(Bytes bytes, DirectoryRecord& out);

// The name a record's identifier shows: Joliet names are UCS-2 big-endian,
// ISO 9660 names bytes. A file's version suffix (";1") is removed, and then a
// trailing '.' (a name without extension, "README." is "README").
std::u16string DecodeRecordName(const DirectoryRecord& record, bool joliet);

}  // namespace wrenlo
