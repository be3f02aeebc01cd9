// Where a session's files and file-system structures lie, as the engine's
// layout listing gives them.
#pragma once

#include <wrenlo/wrenlo.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// Sectors [first, last], both included.
struct SectorRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;

  friend bool operator==(const SectorRange&, const SectorRange&) = default;
};

struct LayoutEntry {
  bool isFile = false;
  std::u16string name;  // a file's path ('\' between names) or a structure's name
  std::uint64_t size = 0;
  std::vector<SectorRange> ranges;  // device sectors, in file order
  std::int32_t result = 0;          // the engine's: 0 when placed in full
};

struct DiscLayout {
  std::vector<LayoutEntry> entries;  // in the order the engine lists them
  std::int32_t result = 0;           // the listing's: 0 when the whole tree was walked
};

// The result ReadDiscLayout gives when cancel ended the walk.
inline constexpr std::int32_t kLayoutCancelled = -1;

// Lists the layout of the file system fileSystem (a wrenlo::FileSystemSelector)
// of the session that holds track, on device. The engine's result: 0 when the
// whole tree was walked. A cancel flag that becomes set ends the walk at the
// next entry, with kLayoutCancelled.
std::int32_t ReadDiscLayout(std::int32_t device, std::int32_t track, std::int32_t fileSystem,
                            DiscLayout& out, const std::atomic<bool>* cancel = nullptr);

// The byte of file at which its device sector `sector` starts; 0 when the
// file does not lie on it.
std::uint64_t FileByteOffset(const LayoutEntry& file, std::uint64_t sector);
