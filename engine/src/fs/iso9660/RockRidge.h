// Rock Ridge entries (IEEE P1282) of ISO 9660 directory records, found among
// the System Use Sharing Protocol entries (IEEE P1281) of a record's system
// use field and of the continuation areas it points to: the name (NM), a
// symbolic link's target (SL), the modification time (TF), and the entries of a relocated directory (CL
// in its place in the tree, RE where it is recorded).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "Bytes.h"
#include "FileTime.h"
#include "Result.h"
#include "SectorSource.h"

namespace wrenlo {

// Continuation areas followed for one record, bytes of one name and of one
// link target, and sectors read for the continuation areas of one directory.
inline constexpr int kMaxContinuationAreas = 16;
inline constexpr std::size_t kMaxRockRidgeName = 1023;
inline constexpr std::size_t kMaxLinkTarget = 4095;
inline constexpr std::uint32_t kMaxContinuationReads = 65536;

// Whether a tree carries SUSP entries, from the system use field of the first
// record ("." ) of its root directory: it starts with an SP entry whose check
// bytes are BE EF. Gives how many bytes every other record's system use field
// holds before its entries.
std::optional<std::uint8_t> SuspSkip(Bytes rootSystemUse);

// Reads the continuation areas of one directory's records from a source,
// keeping the last sector read: the areas of many records usually share one
// sector. Remembers every sector it read, for the directory's layout.
class ContinuationAreas {
 public:
  explicit ContinuationAreas(SectorSource& source) : source_(source) {}
  // The length bytes at offset in sector block. kCorruptFileSystem when they
  // do not lie inside one sector of the medium; kTooLarge once
  // kMaxContinuationReads sectors have been read; a failed read as it came.
  Result Read(std::uint32_t block, std::uint32_t offset, std::uint32_t length, Bytes& out);
  // The sectors asked for so far (also those that failed to read), each once,
  // in the order first asked.
  const std::vector<std::uint32_t>& Sectors() const { return sectors_; }

 private:
  SectorSource& source_;
  std::vector<std::uint8_t> sector_;
  std::optional<std::uint32_t> held_;
  std::uint32_t reads_ = 0;
  std::vector<std::uint32_t> sectors_;
};

// Visits each SUSP entry (whole, from its signature) of a record's system use
// field, past skip bytes, and of the continuation areas that follow from it,
// in order, until visit returns false or an ST entry ends them.
// kCorruptFileSystem when an entry runs past its area or a continuation area
// is unusable; kTooLarge for more than kMaxContinuationAreas areas; a failed
// read as it came.
Result ForEachSuspEntry(Bytes systemUse, std::uint8_t skip, ContinuationAreas& areas,
                        const std::function<bool(Bytes entry)>& visit);

// What the Rock Ridge entries of one record say.
struct RockRidgeEntries {
  // NM: the name as recorded, in bytes; empty when there is none or it names
  // the directory itself, its parent or the host rather than a name of its own.
  std::vector<std::uint8_t> name;
  // SL: the link's target, its components joined by '/' (with a leading '/'
  // for a target from the root), in bytes.
  std::optional<std::vector<std::uint8_t>> linkTarget;
  // CL: the sector where the directory this record stands for is recorded.
  std::optional<std::uint32_t> childLink;
  // RE: the record is a relocated directory's, listed where CL points to it.
  bool relocated = false;
  // TF: the modification time, when the entry records a known one.
  FileTime modified;
};

// Decodes the entries of a record's system use field (past skip bytes) and of
// the continuation areas that follow from it, up to an ST entry or the end.
// kCorruptFileSystem when an entry runs past its area or a continuation area
// is unusable; kTooLarge for more than kMaxContinuationAreas areas or a name
// or target longer than its cap; a failed read as it came. The record should
// then show its ISO 9660 name and nothing else of these entries.
Result DecodeRockRidge(Bytes systemUse, std::uint8_t skip, ContinuationAreas& areas,
                       RockRidgeEntries& out);

}  // namespace wrenlo
