// Where a session's files and file-system structures lie, as the engine's
// layout listing gives them.
#pragma once

#include <wrenlo/wrenlo.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/damage/SectorRange.h"

struct LayoutEntry {
  bool isFile = false;
  std::u16string name;  // a file's path ('\' between names) or a structure's name
  std::uint64_t size = 0;
  std::vector<SectorRange> ranges;  // device sectors, in file order
  std::int32_t result = 0;          // the engine's: 0 when placed in full
};

struct DiscLayout {
  std::vector<LayoutEntry> entries;  // in the order the engine lists them
};

// Lists the layout of the file system fileSystem (a wrenlo::FileSystemSelector)
// of the session that holds track, on device. The engine's result: 0 when the
// whole tree was walked.
std::int32_t ReadDiscLayout(std::int32_t device, std::int32_t track, std::int32_t fileSystem,
                            DiscLayout& out);
