#include "IntegritySequence.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "ByteView.h"
#include "Limits.h"
#include "Sector.h"
#include "Tag.h"

namespace wrenlo::udf {
namespace {

std::int32_t ClampCount(std::uint32_t value) {
  return static_cast<std::int32_t>(
      std::min<std::uint32_t>(value, std::numeric_limits<std::int32_t>::max()));
}

// The counts in the implementation use of an integrity descriptor (OSTA UDF
// 2.2.6.4): after the free space and size tables of its partitions.
IntegrityFacts DecodeIntegrity(ByteView view) {
  IntegrityFacts facts;
  const std::uint32_t partitions = view.U32(72);
  const std::uint32_t useLength = view.U32(76);
  if (view.Failed() || partitions > kMaxPartitionMaps || useLength < 46) return facts;
  const std::size_t use = 80 + 8 * std::size_t{partitions};
  if (!view.Has(use, 46)) return facts;
  facts.hasCounts = true;
  facts.fileCount = ClampCount(view.U32(use + 32));
  facts.directoryCount = ClampCount(view.U32(use + 36));
  facts.minimumReadRevision = view.U16(use + 40);
  return facts;
}

}  // namespace

Result ReadIntegritySequence(SectorSource& source, ExtentAd extent, IntegrityFacts& out) {
  std::vector<std::uint32_t> visited;
  std::uint32_t examined = 0;
  Sector sector;
  while (extent.length != 0) {
    if (visited.size() >= static_cast<std::size_t>(kMaxIntegrityExtents)) return kTooLarge;
    if (std::find(visited.begin(), visited.end(), extent.location) != visited.end())
      return kCorruptFileSystem;
    visited.push_back(extent.location);

    ExtentAd next;
    const std::uint32_t count = extent.Sectors();
    for (std::uint32_t i = 0; i < count; ++i) {
      if (++examined > kMaxIntegritySectors) return kTooLarge;
      const std::uint64_t address = std::uint64_t{extent.location} + i;
      std::uint16_t id = 0;
      if (ReadSector(source, address, sector) != kOk ||
          CheckTag(sector, static_cast<std::uint32_t>(address), id) != kOk || id != kTagIntegrity)
        break;
      ByteView view(sector);
      out = DecodeIntegrity(view);
      next = ReadExtentAd(view, 32);
    }
    extent = next;
  }
  return kOk;
}

}  // namespace wrenlo::udf
