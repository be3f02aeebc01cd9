// File entries and extended file entries (ECMA-167 4/14.9, 4/14.17) and the
// allocation descriptors that place a file's data (4/14.14, 4/14.5).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "Addresses.h"
#include "FileTime.h"
#include "LogicalVolume.h"
#include "Result.h"
#include "Sector.h"

namespace wrenlo::udf {

// File types of the ICB tag (ECMA-167 4/14.6.6, OSTA UDF 2.3.5.2).
enum FileType : std::uint8_t {
  kFileTypeUnspecified = 0,
  kFileTypeDirectory = 4,
  kFileTypeStreamDirectory = 13,
  kFileTypeVat = 248,
  kFileTypeMetadata = 250,
  kFileTypeMetadataMirror = 251,
};

// How the entry records its data: bits 0-2 of the ICB tag flags.
enum class AllocationForm : std::uint8_t { kShort = 0, kLong = 1, kExtended = 2, kEmbedded = 3 };

struct FileEntry {
  BlockAddress address;  // where the entry lies
  std::uint8_t fileType = 0;
  AllocationForm form = AllocationForm::kShort;
  std::uint64_t informationLength = 0;
  FileTime modified;  // its modification time, when recorded
  Sector bytes{};
  std::uint32_t descriptorsOffset = 0;  // of the allocation descriptors (or embedded data)
  std::uint32_t descriptorsLength = 0;

  std::span<const std::uint8_t> Descriptors() const {
    return std::span<const std::uint8_t>(bytes).subspan(descriptorsOffset, descriptorsLength);
  }
};

// Reads and checks the (extended) file entry at at. Only the strategy of
// one direct entry (type 4) is read; strategy 4096 is kUnsupported.
Result ReadFileEntry(const LogicalVolume& volume, BlockAddress at, FileEntry& out);

// A run of a file's data: length bytes from address; unrecorded runs read as
// zeros and have no sectors on the medium.
struct DataExtent {
  BlockAddress address;
  std::uint32_t length = 0;
  bool recorded = true;
};

// The data runs of an entry in file order, continuations in allocation
// extent descriptors followed, the last cut to the information length. An
// embedded entry has none. kCorruptFileSystem when the runs end short of the
// information length or record more sectors than the medium holds.
Result ListDataExtents(const LogicalVolume& volume, const FileEntry& entry,
                       std::vector<DataExtent>& out);

// Appends the sectors of an entry's recorded runs, in file order, mapped
// unchecked (see LogicalVolume::Map); an embedded entry has none.
Result MapDataSectors(const LogicalVolume& volume, const FileEntry& entry,
                      std::vector<Extent>& out);

// Where a part of a file's data lies: the bytes from offset on start at
// address (the entry itself for embedded data).
struct DataSegment {
  std::uint64_t offset = 0;
  BlockAddress address;
};

// Reads the whole of an entry's data (a directory, a table); kTooLarge when
// it is longer than maxBytes, kCorruptFileSystem when part of it is not
// recorded.
Result ReadFileData(const LogicalVolume& volume, const FileEntry& entry, std::uint64_t maxBytes,
                    std::vector<std::uint8_t>& data, std::vector<DataSegment>& segments);

}  // namespace wrenlo::udf
