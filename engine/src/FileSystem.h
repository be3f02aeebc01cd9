// One decoded file system (ISO 9660, Joliet or UDF) of one session, as the
// directory and verify operations use it. Implementations are immutable after
// they open and safe to use from several threads.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "FileTime.h"
#include "Result.h"

namespace wrenlo {

struct DirectoryItem {
  std::u16string name;  // without any path; never "." or "..", never holds '/'
  bool isDirectory = false;
  bool isLink = false;  // a symbolic link, which has no data of its own
  // Its modification time, when the tree records one (and, from
  // ListDirectory, when the directory itself holds it).
  FileTime modified;
};

// A run of sectors holding file data, by absolute address on the medium.
// 64-bit so that a hostile extent past the 32-bit range can be reported as
// outside the medium rather than wrap around.
struct Extent {
  std::uint64_t start = 0;
  std::uint64_t count = 0;
};

enum class LayoutKind {
  kFile,
  kStructure,
  kLink,  // a symbolic link: no sectors of its own, a target
  kAudioTrack,
  kDataTrack,  // a data track that no file system holds
  kLeadOut,    // the sectors between two sessions
};

// A file or a structure where the layout walk found it; the views are valid
// during the visit only.
struct LayoutItem {
  LayoutKind kind = LayoutKind::kStructure;
  // A file's or link's path ('/' before each name), or the structure's name.
  std::u16string_view name;
  std::u16string_view target;     // a link's target
  std::u16string_view directory;  // a directory structure's path ("/" for the root)
  std::uint64_t size = 0;         // a file's length in bytes
  std::span<const Extent> extents;
  Result result = kOk;  // why the item is not placed in full, or kOk
  // Set by the session's and the medium's layout: the item belongs to the
  // tree the files test reads (of the last session, for the medium).
  bool filesTestTree = false;
};
// Receives each item; anything but kOk ends the walk with that result.
using LayoutVisitor = std::function<Result(const LayoutItem&)>;

// A part of a file's data, in file order: bytes bytes from sector start on,
// or, when not recorded, bytes zeros that lie nowhere on the medium.
struct ContentPiece {
  std::uint64_t start = 0;
  std::uint64_t bytes = 0;
  bool recorded = true;
};

// Where a file's bytes lie: its pieces, or, for a file whose data is
// embedded in its entry, those bytes.
struct FileContent {
  std::vector<ContentPiece> pieces;
  std::vector<std::uint8_t> embedded;
};

// A path to a directory or file: its names from the root, each after a '/'
// ("/DOCS/A.TXT"); the root is "" or "/". A name may hold any other
// character, '\' included.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The tree's name as structures are named after it: "ISO 9660", "Joliet",
  // "UDF".
  virtual std::u16string_view TreeName() const = 0;
  // Children of the directory at path, with the times the directory holds.
  virtual Result ListDirectory(std::u16string_view path, std::vector<DirectoryItem>& out) const = 0;
  // The same, with every child's time, where a tree keeps them elsewhere
  // (UDF: in each child's file entry, a read each).
  virtual Result ListDirectoryWithTimes(std::u16string_view path,
                                        std::vector<DirectoryItem>& out) const {
    return ListDirectory(path, out);
  }
  // The sectors holding a file's data, in file order; an empty list for a file
  // whose data is embedded in its entry or that is empty. kNotAFile for a
  // directory or a link.
  virtual Result FileExtents(std::u16string_view path, std::vector<Extent>& out) const = 0;
  // Where the bytes of a file lie, each piece cut to the file's length.
  virtual Result FileContentOf(std::u16string_view path, FileContent& out) const = 0;
  // The target of the symbolic link at path, as recorded; kNotFound when
  // path is not a symbolic link (a tree without links has none).
  virtual Result LinkTarget(std::u16string_view path, std::u16string& out) const {
    (void)path;
    out.clear();
    return kNotFound;
  }
  // The value of the extended attribute name (AAIP, as xorriso records them)
  // of the file or directory at path; kNotFound when it has none of that
  // name, kUnsupported in a tree that cannot carry them.
  virtual Result FileAttribute(std::u16string_view path, std::string_view name,
                               std::vector<std::uint8_t>& value) const {
    (void)path, (void)name, (void)value;
    return kUnsupported;
  }
  // Walks the whole tree once: the file system's own structures, then each
  // directory (as a structure) followed by its files and subdirectories, in
  // recorded order. A directory that cannot be read is visited with its
  // result and its contents are skipped.
  virtual Result Layout(const LayoutVisitor& visit) const = 0;
};

}  // namespace wrenlo
