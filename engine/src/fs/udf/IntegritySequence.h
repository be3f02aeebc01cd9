// The logical volume integrity sequence (ECMA-167 3/10.10, 3/8.8.2): the
// file and directory counts of its prevailing (last) descriptor.
#pragma once

#include <cstdint>

#include "Addresses.h"
#include "Result.h"
#include "SectorSource.h"

namespace wrenlo::udf {

struct IntegrityFacts {
  bool hasCounts = false;  // the prevailing descriptor carries UDF's implementation use
  std::int32_t fileCount = 0;
  std::int32_t directoryCount = 0;
  std::uint16_t minimumReadRevision = 0;
};

// Reads the sequence from extent, following next integrity extents. The
// sequence ends at a terminating descriptor or at a sector that is not an
// integrity descriptor; the last integrity descriptor read prevails.
// kCorruptFileSystem when the chain loops, kTooLarge past the caps.
Result ReadIntegritySequence(SectorSource& source, ExtentAd extent, IntegrityFacts& out);

}  // namespace wrenlo::udf
