// Where a session's or a medium's files, file-system structures and tracks
// lie, as the engine's layout listings give them.
#pragma once

#include <wrenlo/wrenlo.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "core/damage/SectorRange.h"

enum class EntryKind {
  File,
  Structure,
  Link,  // a symbolic link: a target, no sectors
  AudioTrack,
  DataTrack,  // a data track no file system holds
  LeadOut,    // the sectors between two sessions
};

struct LayoutEntry {
  EntryKind kind = EntryKind::Structure;
  // A file's or link's path ("/DOCS/A.TXT", '/' before each name, and what
  // tells it apart when it is not of the files test's tree), a structure's
  // or a track's name.
  std::u16string name{};
  std::uint64_t size = 0;
  std::vector<SectorRange> ranges{};  // device sectors, in file order
  std::int32_t result = 0;            // the engine's: 0 when placed in full
  std::u16string target{};            // a link's
  std::u16string directory{};         // a directory's path, of its structure ("/" for the root)
  // It belongs to the tree the files test reads.
  bool filesTestTree = false;

  bool IsFile() const { return kind == EntryKind::File; }
};

struct DiscLayout {
  std::vector<LayoutEntry> entries;  // in the order the engine lists them
  std::int32_t result = 0;           // the listing's: 0 when the whole tree was walked
};

// The result the readers give when cancel ended the walk.
inline constexpr std::int32_t kLayoutCancelled = -1;

// Lists the layout of the file system fileSystem (a wrenlo::FileSystemSelector)
// of the session that holds track, on device. The engine's result: 0 when the
// whole tree was walked. A cancel flag that becomes set ends the walk at the
// next entry, with kLayoutCancelled.
std::int32_t ReadDiscLayout(std::int32_t device, std::int32_t track, std::int32_t fileSystem,
                            DiscLayout& out, const std::atomic<bool>* cancel = nullptr);

// Lists the layout of the whole medium on device: every session's file
// systems (the last session's first), the tracks no file system holds, the
// gaps between sessions. Results as ReadDiscLayout's.
std::int32_t ReadMediumLayout(std::int32_t device, DiscLayout& out,
                              const std::atomic<bool>* cancel = nullptr);

// The byte of file at which its device sector `sector` starts; 0 when the
// file does not lie on it.
std::uint64_t FileByteOffset(const LayoutEntry& file, std::uint64_t sector);
