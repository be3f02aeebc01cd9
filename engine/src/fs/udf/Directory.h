// A directory's data: a run of file identifier descriptors (ECMA-167
// 4/14.4), one per child.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Addresses.h"
#include "FileEntry.h"
#include "Result.h"

namespace wrenlo::udf {

struct DirectoryRecord {
  std::u16string name;
  bool isDirectory = false;
  BlockAddress icb;  // the child's file entry
};

// The children of one directory, in recorded order, with an index by name
// (the first child of each name). Not copyable: the index points into the
// records.
class DirectoryListing {
 public:
  DirectoryListing() = default;
  DirectoryListing(const DirectoryListing&) = delete;
  DirectoryListing& operator=(const DirectoryListing&) = delete;

  const std::vector<DirectoryRecord>& Records() const { return records_; }
  const DirectoryRecord* Find(std::u16string_view name) const;

 private:
  friend Result ParseDirectory(std::span<const std::uint8_t>, std::span<const DataSegment>,
                               DirectoryListing&);
  friend Result ReadDirectory(const LogicalVolume&, const FileEntry&, DirectoryListing&);
  // Indexes the records by name once they no longer move.
  void IndexByName();
  std::vector<DirectoryRecord> records_;
  std::unordered_map<std::u16string_view, std::size_t> byName_;
};

// Decodes the children of a directory from its data; segments tell in which
// block each part of the data lies, where each descriptor's tag must say it
// was recorded. The parent entry and deleted entries are left out.
// kCorruptFileSystem for a descriptor that fails its checks or a name that
// cannot be a child's; kTooLarge past kMaxDirectoryEntries.
Result ParseDirectory(std::span<const std::uint8_t> data, std::span<const DataSegment> segments,
                      DirectoryListing& out);

// Reads and decodes the children of the directory (or stream directory)
// whose entry is entry, a few blocks at a time, so that memory follows the
// records kept rather than the directory's size; kCorruptFileSystem when the
// entry is neither, or when part of its data is not recorded.
Result ReadDirectory(const LogicalVolume& volume, const FileEntry& entry, DirectoryListing& out);

}  // namespace wrenlo::udf
