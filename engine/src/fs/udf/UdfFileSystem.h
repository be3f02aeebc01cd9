// A UDF volume (ECMA-167, OSTA UDF 1.02 to 2.60) of one session: its facts,
// its directories and where each file's data lies.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Addresses.h"
#include "Directory.h"
#include "FileEntry.h"
#include "FileSystem.h"
#include "Limits.h"
#include "LogicalVolume.h"
#include "Result.h"
#include "SectorSource.h"
#include "VolumePlaces.h"
#include "fs/DirectoryCache.h"

namespace wrenlo {

struct UdfVolumeFacts {
  // The logical volume identifier (dstring, OSTA CS0); on write-once media
  // the one in the VAT header, which supersedes the descriptor's.
  std::u16string label;
  // The revision the volume is recorded to, e.g. 0x0260, from the suffix of
  // the logical volume descriptor's domain identifier.
  std::int32_t revision = 0;
  // From the last logical volume integrity descriptor of the sequence, or on
  // write-once media from the VAT header (UDF 2.00 and later).
  std::int32_t fileCount = 0;
  std::int32_t directoryCount = 0;
};

class UdfFileSystem : public FileSystem {
 public:
  // Opens the UDF volume of the session [sessionStart, sessionEnd) of source.
  // The source must outlive the file system. kNoFileSystem when the session
  // holds no UDF anchor; kCorruptFileSystem, kTooLarge or kUnsupported when
  // the volume cannot be read; a read failure of the source as it came.
  static Result Open(SectorSource& source, std::uint32_t sessionStart, std::uint32_t sessionEnd,
                     std::unique_ptr<UdfFileSystem>& out);

  const UdfVolumeFacts& Facts() const { return facts_; }
  // The sector of the root directory's file entry.
  std::uint64_t RootSector() const { return rootSector_; }
  std::u16string_view TreeName() const override;
  Result ListDirectory(std::u16string_view path, std::vector<DirectoryItem>& out) const override;
  Result ListDirectoryWithTimes(std::u16string_view path,
                                std::vector<DirectoryItem>& out) const override;
  Result FileExtents(std::u16string_view path, std::vector<Extent>& out) const override;
  Result FileContentOf(std::u16string_view path, FileContent& out) const override;
  Result Layout(const LayoutVisitor& visit) const override;

 private:
  struct Node {
    udf::BlockAddress icb;
    bool isDirectory = false;
  };
  // Decoded directories, keyed by the sector of each directory's file entry.
  using ListingCache = DirectoryCache<udf::DirectoryListing>;

  explicit UdfFileSystem(SectorSource& source)
      : volume_(source), cache_(udf::kDirectoryCacheSize, udf::kDirectoryCacheEntries) {}

  // The file or directory at path, refusing a directory that is one of its
  // own ancestors.
  Result Resolve(std::u16string_view path, Node& out) const;
  // The entry of the file (not a directory) at path.
  Result FileEntryOf(std::u16string_view path, udf::FileEntry& entry) const;
  // The listing of the directory at path; with times, each child's file
  // entry read for its time.
  Result List(std::u16string_view path, bool withTimes, std::vector<DirectoryItem>& out) const;
  // The children of the directory whose entry lies at icb.
  Result Children(udf::BlockAddress icb, ListingCache::Entries& out) const;

  udf::LogicalVolume volume_;
  udf::BlockAddress root_;
  std::uint64_t rootSector_ = 0;
  udf::VolumePlaces places_;
  UdfVolumeFacts facts_;
  mutable ListingCache cache_;
};

}  // namespace wrenlo
