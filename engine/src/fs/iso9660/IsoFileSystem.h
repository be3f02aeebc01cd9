// An ISO 9660 or Joliet directory tree (ECMA-119 6.8, 9.1) over any sector
// source, read on demand, for any number of threads. An ISO 9660 tree with
// Rock Ridge entries shows it as Linux does: their names, symbolic links as
// links, and directories that a deep tree had relocated (CL, RE) where they
// belong, with the relocation directory hidden; a record whose entries are
// unusable keeps its ISO 9660 name. Decoded directories are kept, with an
// index by name, so that finding a file costs about the same in a directory
// of any size. A directory is read a few sectors at a time, so what it costs
// in memory is what it holds (its names), not its size on the disc.
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
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "FileSystem.h"
#include "SectorSource.h"
#include "fs/DirectoryCache.h"
#include "fs/iso9660/Aaip.h"
#include "fs/iso9660/RockRidge.h"
#include "fs/iso9660/VolumeDescriptors.h"

namespace wrenlo {

// Limits on what a directory tree may make the engine do: the entries one
// directory may hold (its bytes are bounded by the medium) and the depth.
inline constexpr std::size_t kMaxDirectoryEntries = 1 << 21;
inline constexpr std::size_t kMaxDirectoryDepth = 64;
// Decoded directories kept, and their entries in all: at least the largest
// directory, so that the files test of one never decodes it again per file.
inline constexpr std::size_t kIsoDirectoryCacheSize = 64;
inline constexpr std::size_t kIsoDirectoryCacheEntries = kMaxDirectoryEntries;

class IsoFileSystem : public FileSystem {
 public:
  // The tree of volume (the primary descriptor or a Joliet one) on source.
  // Reads the root directory's first record to learn whether an ISO 9660
  // tree carries Rock Ridge entries.
  IsoFileSystem(SectorSource& source, IsoVolume volume);

  const IsoVolume& Volume() const { return volume_; }
  // The first sector of the root directory.
  std::uint64_t RootSector() const { return root_.start; }
  // Whether the tree carries Rock Ridge entries, whose names it shows.
  bool HasRockRidge() const { return suspSkip_.has_value(); }
  std::u16string_view TreeName() const override;

  Result ListDirectory(std::u16string_view path, std::vector<DirectoryItem>& out) const override;
  Result FileExtents(std::u16string_view path, std::vector<Extent>& out) const override;
  Result FileContentOf(std::u16string_view path, FileContent& out) const override;
  Result FileAttribute(std::u16string_view path, std::string_view name,
                       std::vector<std::uint8_t>& value) const override;
  Result LinkTarget(std::u16string_view path, std::u16string& out) const override;
  Result Layout(const LayoutVisitor& visit) const override;

 private:
  struct Directory {
    std::uint64_t start = 0;   // first sector of its data
    std::uint32_t length = 0;  // bytes
    // A relocated directory whose "." record is missing where its link
    // points: it cannot be listed.
    bool unusable = false;
  };
  // Where a directory record lies: its sector and its byte in it.
  struct RecordPlace {
    std::uint64_t sector = 0;
    std::uint16_t offset = 0;
  };
  struct Entry {
    std::u16string name;
    bool isDirectory = false;
    bool interleaved = false;
    // The relocation directory of a deep Rock Ridge tree: not listed, but
    // its sectors are the tree's.
    bool hidden = false;
    Directory directory;                       // for a directory
    std::vector<Extent> extents;               // for a file
    std::uint64_t size = 0;                    // a file's bytes, all its extents together
    std::optional<std::u16string> linkTarget;  // a symbolic link's target
    RecordPlace record;                        // its (first) record, for its extended attributes
    FileTime modified;  // Rock Ridge's when it records one, else the record's date
  };
  // A decoded directory: its entries in recorded order and an index by name
  // (of the entries listed). Not copyable: the index points into the
  // entries, which a deque never moves as it grows.
  struct Listing {
    Listing() = default;
    Listing(const Listing&) = delete;
    Listing& operator=(const Listing&) = delete;
    const Entry* Find(std::u16string_view name) const;

    std::deque<Entry> entries;
    std::unordered_map<std::u16string_view, std::size_t> byName;
    // Sectors of the Rock Ridge continuation areas its records point to.
    std::vector<std::uint32_t> continuationSectors;
    // Whether it holds records of relocated directories (RE), which are
    // listed where they belong instead.
    bool holdsRelocated = false;
  };
  using ListingCache = DirectoryCache<Listing>;

  // The decoded directory, from the cache or read now.
  Result Children(const Directory& directory, ListingCache::Entries& out) const;
  Result Decode(const Directory& directory, Listing& out) const;
  // Makes entry what a record shows with its Rock Ridge entries: their name,
  // a link, a relocated directory found where it belongs. False for a record
  // to leave out: a relocated directory's own record.
  bool ApplyRockRidge(const DirectoryRecord& record, ContinuationAreas& areas, Entry& entry,
                      Listing& listing) const;
  // The extent of the directory recorded at sector, from its "." record
  // (one sector, unusable, when there is none).
  Directory RelocatedDirectory(std::uint32_t sector) const;
  // Marks the root's relocation directory hidden: a directory named as tools
  // name it whose records are all of relocated directories.
  void HideRelocationDirectory(Listing& root) const;
  friend class IsoLayoutWalk;
  // Records that child was reached from parent; false when it belongs to
  // another directory (or is the root).
  bool Claim(const Directory& child, const Directory& parent) const;
  // The file at path, which the engine reads; listing keeps it alive.
  Result FindFile(std::u16string_view path, ListingCache::Entries& listing,
                  const Entry*& found) const;
  // Walks path ('/' between names, from the root) from the root. On success
  // listing is the last directory reached; with parentOnly the last name of
  // path is not walked into, and leaf is set to it.
  Result Walk(std::u16string_view path, bool parentOnly, ListingCache::Entries& listing,
              std::u16string_view& leaf) const;

  SectorSource& source_;
  const IsoVolume volume_;
  const Directory root_;
  std::optional<std::uint8_t> suspSkip_;  // set when the tree has Rock Ridge entries
  mutable ListingCache cache_;            // keyed by each directory's first sector
  // The directory each directory extent was first reached from.
  mutable std::mutex ownersMutex_;
  mutable std::unordered_map<std::uint64_t, std::uint64_t> owners_;
};

}  // namespace wrenlo
