// Where a UDF volume's own structures were found when it was opened, kept for
// listing the volume's layout.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "Addresses.h"
#include "VolumeDescriptors.h"

namespace wrenlo::udf {

struct VolumePlaces {
  std::uint32_t sessionStart = 0;
  std::uint32_t sessionEnd = 0;
  ExtentAd main;       // the main volume descriptor sequence
  ExtentAd reserve;    // the reserve one
  ExtentAd integrity;  // the logical volume integrity sequence
  BlockAddress fileSet;
  std::vector<PartitionMap> maps;        // sparing tables, metadata file entries
  std::optional<BlockAddress> vatEntry;  // the VAT's file entry
  // The partitions of the maps, in their order: their space bitmaps and tables.
  std::vector<PartitionDescriptor> partitions;
  // The file set's system stream directory (OSTA UDF 2.00 and later).
  std::optional<BlockAddress> systemStreams;
};

}  // namespace wrenlo::udf
