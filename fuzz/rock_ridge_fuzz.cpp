// Rock Ridge entries: a record's system use field and the sectors its
// continuation areas may point into, both from the fuzz input, laid out as
// SystemUseInput.h says: names (NM), link targets (SL), relocated
// directories (CL, RE), times (TF).
#include "MemorySource.h"
#include "SystemUseInput.h"
#include "fs/iso9660/RockRidge.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace wrenlo;
  SystemUseInput input;
  if (!input.Read(data, size)) return 0;
  SuspSkip(input.field);
  udftest::MemorySource source(input.sectors);
  ContinuationAreas areas(source);
  RockRidgeEntries entries;
  if (DecodeRockRidge(input.field, input.skip, areas, entries) == kOk) {
    if (entries.name.size() > kMaxRockRidgeName) __builtin_trap();
    if (entries.linkTarget && entries.linkTarget->size() > kMaxLinkTarget + 1) __builtin_trap();
    if (entries.modified.known &&
        (entries.modified.nanoseconds < 0 || entries.modified.nanoseconds >= 1'000'000'000))
      __builtin_trap();
  }
  if (areas.Sectors().size() > kMaxContinuationReads) __builtin_trap();
  return 0;
}
