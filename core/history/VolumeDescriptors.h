// The first volume descriptors of a session, which tell one disc from
// another: the ISO 9660 volume descriptor set (ECMA-119 8.1), or, on a disc
// without it, UDF's anchor volume descriptor pointer and logical volume
// descriptor (ECMA-167 3/10.2 and 3/10.6). The sectors are read through a
// function, so that a disc, an image and a test's bytes are read alike; every
// field read from them is checked before it is used.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Reads one sector of the session, numbered from its first, into 2048
// bytes; false when it cannot be read.
using SessionSectorReader = std::function<bool(std::int32_t sector, std::uint8_t* bytes)>;

struct VolumeDescriptors {
  enum class Kind { None, Iso9660, Udf };
  Kind kind = Kind::None;
  // The descriptors' sectors, one after another, in the order read.
  std::string bytes;
  // The volume's creation time from its primary volume descriptor,
  // "2024-05-01 12:00:00 +02:00" (without the zone when none is recorded);
  // empty when it records none.
  std::string created;
};

// The most descriptors of a set, or sectors of a UDF descriptor sequence,
// that are read: a disc's chain never drives the reads further.
inline constexpr std::int32_t kMaxDescriptorSectors = 32;

// Finds the descriptors of a session of sessionSectors sectors that starts at
// device sector sessionStart (UDF's extents give device sectors). Kind None
// when the session holds neither set. False when a sector they need cannot
// be read, so that which disc it is cannot be told.
bool ReadVolumeDescriptors(const SessionSectorReader& read, std::int64_t sessionStart,
                           std::int64_t sessionSectors, VolumeDescriptors& out);
