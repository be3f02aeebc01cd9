// Extended attributes (AAIP AL entries): a record's system use field and the
// sectors its continuation areas may point into, both from the fuzz input,
// laid out as SystemUseInput.h says. The attribute list decoder also gets
// the whole input.
#include "MemorySource.h"
#include "SystemUseInput.h"
#include "fs/iso9660/Aaip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace wrenlo;
  SystemUseInput input;
  if (!input.Read(data, size)) return 0;
  udftest::MemorySource source(input.sectors);
  ContinuationAreas areas(source);
  std::vector<std::uint8_t> value;
  AaipAttribute(input.field, input.skip, areas, "isofs.cx", value);
  AttributeValue(Bytes(data, size), "isofs.ca", value);
  return 0;
}
