// Rock Ridge names: a record's system use field and the sectors its
// continuation areas may point into, both from the fuzz input, laid out as
// SystemUseInput.h says.
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
  std::vector<std::uint8_t> name;
  RockRidgeName(input.field, input.skip, areas, name);
  return 0;
}
