// The logical volume's partitions and the mapping of their logical blocks to
// absolute sectors: physical partitions directly, sparable ones through their
// sparing table, the virtual partition through the VAT, the metadata
// partition through the metadata file (or its mirror).
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "Addresses.h"
#include "FileSystem.h"
#include "Result.h"
#include "Sector.h"
#include "SectorSource.h"
#include "VolumeDescriptors.h"

namespace wrenlo::udf {

// A run of blocks of the metadata file: fileBlock is its first block counted
// from the start of the file, block its first block in the partition that
// holds the file.
struct MetadataRun {
  std::uint64_t fileBlock = 0;
  std::uint32_t block = 0;
  std::uint32_t count = 0;
};

struct Partition {
  MapKind kind = MapKind::kPhysical;
  // Physical and sparable: the partition's sectors.
  std::uint32_t start = 0;
  std::uint32_t length = 0;
  // Sparable: first block of a moved packet -> the sector it was moved to.
  std::uint32_t packetLength = 0;
  std::map<std::uint32_t, std::uint32_t> sparedPackets;
  // Virtual and metadata: the index of the (physical or sparable) partition
  // they are recorded in.
  std::uint16_t underlying = 0;
  // Virtual: the VAT, virtual block -> block of the underlying partition.
  std::vector<std::uint32_t> vat;
  // Metadata: the metadata file's runs and its mirror's (empty when the
  // mirror could not be read), in file order.
  std::vector<MetadataRun> metadata;
  std::vector<MetadataRun> mirror;
  std::uint64_t metadataBlocks = 0;
};

// Appends the run [start, start + count) to runs, joined to the last run when
// it follows on. False when that would pass kMaxFileRuns.
bool AppendRun(std::vector<Extent>& runs, std::uint64_t start, std::uint64_t count);

class LogicalVolume {
 public:
  explicit LogicalVolume(SectorSource& source) : source_(source) {}

  SectorSource& Source() const { return source_; }
  std::vector<Partition>& Partitions() { return partitions_; }
  const std::vector<Partition>& Partitions() const { return partitions_; }

  // Appends the absolute sectors of count blocks from at. A checked mapping
  // also refuses blocks past the end of a physical partition; an unchecked
  // one reports such blocks as the sectors they name, so that a file's
  // extents can be shown as lying outside the medium.
  Result Map(BlockAddress at, std::uint32_t count, bool checked, std::vector<Extent>& out) const;

  // The absolute sector of one block (checked mapping).
  Result SectorOf(BlockAddress at, std::uint64_t& sector) const;

  // Reads the descriptor at block at and checks its tag there; gives its tag
  // identifier. In the metadata partition, the mirror is read when the
  // metadata file's copy fails.
  Result ReadDescriptor(BlockAddress at, Sector& out, std::uint16_t& id) const;

  // Reads count blocks from at into out (count * 2048 bytes).
  Result ReadBlocks(BlockAddress at, std::uint32_t count, std::uint8_t* out) const;

 private:
  Result MapInto(BlockAddress at, std::uint32_t count, bool checked, bool mirror,
                 std::vector<Extent>& out) const;
  Result ReadDescriptorVia(BlockAddress at, bool mirror, Sector& out, std::uint16_t& id) const;
  Result ReadRuns(const std::vector<Extent>& runs, std::uint8_t* out) const;

  SectorSource& source_;
  std::vector<Partition> partitions_;
};

}  // namespace wrenlo::udf
