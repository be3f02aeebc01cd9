// Caps on every chain and size that disc data drives, so that a hostile
// image ends in an error instead of a hang or an unbounded allocation.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wrenlo::udf {

// Sectors examined in one volume descriptor sequence, all its continuations
// together, and the volume descriptor pointers followed.
inline constexpr std::uint32_t kMaxVolumeDescriptorSectors = 512;
inline constexpr int kMaxVolumeDescriptorPointers = 16;
// Sectors examined in the integrity sequence, and the extents followed.
inline constexpr std::uint32_t kMaxIntegritySectors = 4096;
inline constexpr int kMaxIntegrityExtents = 64;
// Partition maps of one logical volume.
inline constexpr std::uint32_t kMaxPartitionMaps = 64;
// Bytes of one sparing table.
inline constexpr std::uint32_t kMaxSparingTableBytes = 1 << 20;
// Sectors searched back from the end of the session for the VAT's entry.
inline constexpr std::uint32_t kVatSearchSectors = 32;
// Bytes of the virtual allocation table.
inline constexpr std::uint64_t kMaxVatBytes = 16u << 20;
// Allocation extent descriptors followed for one entry, and allocation
// descriptors read from one entry in all.
inline constexpr int kMaxAllocationExtents = 4096;
inline constexpr std::size_t kMaxAllocationDescriptors = 1 << 20;
// Runs of sectors one file may map to.
inline constexpr std::size_t kMaxFileRuns = 1 << 20;
// Entries one directory may hold (its bytes are read a few blocks at a time).
inline constexpr std::size_t kMaxDirectoryEntries = 1 << 21;
// Names in one path.
inline constexpr std::size_t kMaxPathDepth = 256;
// Decoded directories kept for repeated path look-ups, and their entries in
// all.
inline constexpr std::size_t kDirectoryCacheSize = 64;
inline constexpr std::size_t kDirectoryCacheEntries = kMaxDirectoryEntries;

}  // namespace wrenlo::udf
