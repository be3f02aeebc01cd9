// The descriptor tag that opens every UDF descriptor (ECMA-167 3/7.2) and the
// checks a descriptor must pass before any of its fields is trusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "Result.h"

namespace wrenlo::udf {

// Tag identifiers (ECMA-167 3/7.2.1 and 4/7.2.1; 0 is also the sparing table
// of OSTA UDF 2.2.12).
enum TagId : std::uint16_t {
  kTagSparingTable = 0,
  kTagPrimaryVolume = 1,
  kTagAnchor = 2,
  kTagVolumePointer = 3,
  kTagImplementationUse = 4,
  kTagPartition = 5,
  kTagLogicalVolume = 6,
  kTagUnallocatedSpace = 7,
  kTagTerminating = 8,
  kTagIntegrity = 9,
  kTagFileSet = 256,
  kTagFileIdentifier = 257,
  kTagAllocationExtent = 258,
  kTagIndirectEntry = 259,
  kTagTerminalEntry = 260,
  kTagFileEntry = 261,
  kTagExtendedFileEntry = 266,
};

inline constexpr std::size_t kTagSize = 16;

// CRC-ITU-T (polynomial x^16 + x^12 + x^5 + 1, initial value 0), as
// ECMA-167 3/7.2.6 computes the descriptor CRC.
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

// Checks the tag at the start of bytes: its checksum (3/7.2.3), its
// descriptor version (2 or 3), its CRC over the CRC length when that many
// bytes follow the tag in bytes, and that it was recorded at location.
// Gives the tag identifier through id. kCorruptFileSystem when any check fails.
Result CheckTag(std::span<const std::uint8_t> bytes, std::uint32_t location, std::uint16_t& id);

}  // namespace wrenlo::udf
