// An ISO 9660 or Joliet directory tree (ECMA-119 6.8, 9.1) over any sector
// source, read on demand, for any number of threads.
//
// Hostile images are met with limits rather than trust: every record is
// checked against its sector and its directory; sizes, depth and entry counts
// are capped; a name or a directory extent occurs once per directory (later
// copies are dropped); and each directory extent belongs to the first
// directory that was seen to hold it: reached through any other, it is
// refused. Loops therefore end in an error, and a walk of every directory
// visits each directory extent once, however the extents are shared. (The
// ".." records cannot serve for this: xorriso's Joliet trees point them at
// the directory itself.)
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "FileSystem.h"
#include "SectorSource.h"
#include "fs/iso9660/VolumeDescriptors.h"

namespace wrenlo {

// Limits on what a directory tree may make the engine do.
inline constexpr std::uint32_t kMaxDirectoryBytes = 16 * 1024 * 1024;
inline constexpr std::size_t kMaxDirectoryEntries = 262144;
inline constexpr std::size_t kMaxDirectoryDepth = 64;

class IsoFileSystem : public FileSystem {
 public:
  // The tree of volume (the primary descriptor or a Joliet one) on source.
  IsoFileSystem(SectorSource& source, IsoVolume volume);

  const IsoVolume& Volume() const { return volume_; }

  Result ListDirectory(std::u16string_view path, std::vector<DirectoryItem>& out) const override;
  Result FileExtents(std::u16string_view path, std::vector<Extent>& out) const override;
  Result Layout(const LayoutVisitor& visit) const override;

 private:
  struct Directory {
    std::uint64_t start = 0;   // first sector of its data
    std::uint32_t length = 0;  // bytes
  };
  struct Entry {
    std::u16string name;
    bool isDirectory = false;
    bool interleaved = false;
    Directory directory;          // for a directory
    std::vector<Extent> extents;  // for a file
    std::uint64_t size = 0;       // a file's bytes, all its extents together
  };

  Result ReadEntries(const Directory& directory, std::vector<Entry>& out) const;
  // Visits directory (named path) and then everything under it, pre-order.
  // budget counts down the directory sectors the walk may still read.
  Result LayoutDirectory(const Directory& directory, const std::u16string& path, std::size_t depth,
                         std::uint64_t& budget, const LayoutVisitor& visit) const;
  // Records that child was reached from parent; false when it belongs to
  // another directory (or is the root).
  bool Claim(const Directory& child, const Directory& parent) const;
  // Walks path from the root. On success entries holds the listing of the
  // last directory reached; with parentOnly the last name of path is not
  // walked into, and leaf is set to it.
  Result Walk(std::u16string_view path, bool parentOnly, std::vector<Entry>& entries,
              std::u16string_view& leaf) const;

  SectorSource& source_;
  const IsoVolume volume_;
  const Directory root_;
  // The directory each directory extent was first reached from.
  mutable std::mutex ownersMutex_;
  mutable std::unordered_map<std::uint64_t, std::uint64_t> owners_;
};

}  // namespace wrenlo
