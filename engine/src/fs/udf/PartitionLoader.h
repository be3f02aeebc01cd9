// Builds the logical volume's partitions from its maps: reads the sparing
// tables, the metadata file and its mirror, and the VAT.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "LogicalVolume.h"
#include "Result.h"
#include "VolumeDescriptors.h"

namespace wrenlo::udf {

// What a VAT of UDF 2.00 and later records about the volume in place of the
// logical volume and integrity descriptors, which write-once media cannot
// update.
struct VatFacts {
  bool hasHeader = false;
  std::u16string label;
  std::int32_t fileCount = 0;
  std::int32_t directoryCount = 0;
  // Where the VAT's file entry was found.
  std::optional<BlockAddress> entry;
};

Result LoadPartitions(const VolumeDescriptors& descriptors, std::uint32_t sessionStart,
                      std::uint32_t sessionEnd, LogicalVolume& volume, VatFacts& vatFacts);

// Finds the VAT's file entry among the last sectors of the session (the
// last written sector first) in partition underlying, and reads the table:
// OSTA UDF 2.2.11 (a header, then the entries; file type 248) or the 1.50
// layout (the entries, then a "*UDF Virtual Alloc Tbl" identifier).
Result LoadVat(const LogicalVolume& volume, std::uint16_t underlying, std::uint32_t sessionStart,
               std::uint32_t sessionEnd, std::vector<std::uint32_t>& vat, VatFacts& facts);

}  // namespace wrenlo::udf
