// Extended attributes (AAIP AL entries): a record's system use field and the
// sectors its continuation areas may point into, both from the fuzz input,
// laid out as rock_ridge_fuzz's: skip, field length, field, sectors. The
// attribute list decoder also gets the field alone.
#include <algorithm>
#include <vector>

#include "MemorySource.h"
#include "fs/iso9660/Aaip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace wrenlo;
  if (size < 2) return 0;
  const std::uint8_t skip = data[0];
  const std::size_t fieldLength = std::min<std::size_t>(data[1], size - 2);
  const Bytes field(data + 2, fieldLength);
  std::vector<std::uint8_t> sectors(data + 2 + fieldLength, data + size);
  sectors.resize((sectors.size() + 2047) / 2048 * 2048);
  udftest::MemorySource source(sectors);
  ContinuationAreas areas(source);
  std::vector<std::uint8_t> value;
  AaipAttribute(field, skip, areas, "isofs.cx", value);
  AttributeValue(Bytes(data, size), "isofs.ca", value);
  return 0;
}
