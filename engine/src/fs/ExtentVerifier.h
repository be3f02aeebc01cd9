// Reads back every sector of a file's extents, as VerifyFile does: in chunks
// for speed, and a chunk that fails sector by sector with the same number of
// attempts a surface scan gives a sector, so that a file is reported bad only
// when one of its sectors stays unreadable.
#pragma once

#include <cstdint>
#include <vector>

#include "FileSystem.h"
#include "SectorSource.h"

namespace wrenlo {

// Sectors read at once while nothing fails.
inline constexpr std::uint32_t kVerifyChunkSectors = 32;
// Reads of one sector before it counts as unreadable.
inline constexpr int kVerifySectorAttempts = 5;

// kOk when every sector of the extents reads; kNoMedium at once when the
// medium is gone; else the failure of the last attempt at the first sector
// that never read. The extents must lie within the source.
Result VerifyExtents(SectorSource& source, const std::vector<Extent>& extents);

}  // namespace wrenlo
