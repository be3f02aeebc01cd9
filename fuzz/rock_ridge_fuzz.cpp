// Rock Ridge entries: a record's system use field and the sectors its
// continuation areas may point into, both from the fuzz input: names (NM),
// link targets (SL), relocated directories (CL, RE). Its first byte is the
// number of bytes skipped before the entries, its second the length of the
// field, which follows; the rest are the sectors.
#include <algorithm>
#include <vector>

#include "MemorySource.h"
#include "fs/iso9660/RockRidge.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace wrenlo;
  if (size < 2) return 0;
  const std::uint8_t skip = data[0];
  const std::size_t fieldLength = std::min<std::size_t>(data[1], size - 2);
  const Bytes field(data + 2, fieldLength);
  SuspSkip(field);
  std::vector<std::uint8_t> sectors(data + 2 + fieldLength, data + size);
  sectors.resize((sectors.size() + 2047) / 2048 * 2048);
  udftest::MemorySource source(sectors);
  ContinuationAreas areas(source);
  RockRidgeEntries entries;
  if (DecodeRockRidge(field, skip, areas, entries) == kOk) {
    if (entries.name.size() > kMaxRockRidgeName) __builtin_trap();
    if (entries.linkTarget && entries.linkTarget->size() > kMaxLinkTarget + 1) __builtin_trap();
  }
  if (areas.Sectors().size() > kMaxContinuationReads) __builtin_trap();
  return 0;
}
