// Reads back every sector of a file's extents, as VerifyFile does: in chunks
// for speed, and a chunk that fails sector by sector with the same number of
// attempts a surface scan gives a sector, so that a file is reported bad only
// when one of its sectors stays unreadable. ReadFile reads the same way and
// hands the bytes on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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

// Receives a file's bytes in order; anything but 0 ends the read with it.
using ContentSink = std::function<std::int32_t(const std::uint8_t* data, std::size_t size)>;

// Reads a file's content as VerifyExtents reads extents and hands each
// piece's bytes to sink, unrecorded pieces as zeros. 0 when every byte was
// read and taken; a read's failure as VerifyExtents gives it; or what sink
// returned. The recorded pieces must lie within the source.
std::int32_t ReadContent(SectorSource& source, const FileContent& content, const ContentSink& sink);

}  // namespace wrenlo
