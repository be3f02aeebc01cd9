// Rock Ridge names: the NM entries of the Rock Ridge Interchange Protocol
// (IEEE P1282), found among the System Use Sharing Protocol entries (IEEE
// P1281) of ISO 9660 directory records and of the continuation areas those
// records point to.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "Bytes.h"
#include "Result.h"
#include "SectorSource.h"

namespace wrenlo {

// Continuation areas followed for one record, bytes of one name, and sectors
// read for the continuation areas of one directory.
inline constexpr int kMaxContinuationAreas = 16;
inline constexpr std::size_t kMaxRockRidgeName = 1023;
inline constexpr std::uint32_t kMaxContinuationReads = 65536;

// Whether a tree carries SUSP entries, from the system use field of the first
// record ("." ) of its root directory: it starts with an SP entry whose check
// bytes are BE EF. Gives how many bytes every other record's system use field
// holds before its entries.
std::optional<std::uint8_t> SuspSkip(Bytes rootSystemUse);

// Reads the continuation areas of one directory's records from a source,
// keeping the last sector read: the areas of many records usually share one
// sector.
class ContinuationAreas {
 public:
  explicit ContinuationAreas(SectorSource& source) : source_(source) {}
  // The length bytes at offset in sector block. kCorruptFileSystem when they
  // do not lie inside one sector of the medium; kTooLarge once
  // kMaxContinuationReads sectors have been read; a failed read as it came.
  Result Read(std::uint32_t block, std::uint32_t offset, std::uint32_t length, Bytes& out);

 private:
  SectorSource& source_;
  std::vector<std::uint8_t> sector_;
  std::optional<std::uint32_t> held_;
  std::uint32_t reads_ = 0;
};

// Visits each SUSP entry (whole, from its signature) of a record's system use
// field, past skip bytes, and of the continuation areas that follow from it,
// in order, until visit returns false or an ST entry ends them.
// kCorruptFileSystem when an entry runs past its area or a continuation area
// is unusable; kTooLarge for more than kMaxContinuationAreas areas; a failed
// read as it came.
Result ForEachSuspEntry(Bytes systemUse, std::uint8_t skip, ContinuationAreas& areas,
                        const std::function<bool(Bytes entry)>& visit);

// The Rock Ridge name of a record as recorded, in bytes: the NM entries of
// its system use field (past skip bytes) and of the continuation areas that
// follow from it, joined. kNotFound when there are none, or when they name the
// directory itself, its parent or the host rather than a name of its own.
// kCorruptFileSystem when an entry runs past its area or a continuation area
// is unusable; kTooLarge for more than kMaxContinuationAreas areas or a name
// longer than kMaxRockRidgeName; a failed read as it came.
Result RockRidgeName(Bytes systemUse, std::uint8_t skip, ContinuationAreas& areas,
                     std::vector<std::uint8_t>& name);

}  // namespace wrenlo
