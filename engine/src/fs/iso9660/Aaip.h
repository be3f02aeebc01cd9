// Extended attributes of an ISO 9660 tree with Rock Ridge: the AL entries of
// the Arbitrary Attribute Interchange Protocol (AAIP 2.0, as xorriso writes
// them), found among a record's System Use Sharing Protocol entries (IEEE
// P1281) and the continuation areas they point to. xorriso keeps the place
// of its MD5 checksums in them ("isofs.ca" on the root, "isofs.cx" on each
// file).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "Bytes.h"
#include "Result.h"
#include "fs/iso9660/RockRidge.h"

namespace wrenlo {

// Bytes of one record's attribute list, all its AL entries together.
inline constexpr std::size_t kMaxAttributeList = 65536;

// The value of the attribute name in an attribute list: the component areas
// of a record's AL entries joined, name and value components in turn. A name
// recorded in the short form of its namespace (a first byte 0x02 to 0x06)
// is matched by its long form ("isofs.ca" for 0x04 "ca"). kNotFound when the
// list has no such name, kCorruptFileSystem when a component runs past it.
Result AttributeValue(Bytes list, std::string_view name, std::vector<std::uint8_t>& value);

// The value of the attribute name among the AL entries of a record's system
// use field (past skip bytes) and its continuation areas. Errors as above;
// kTooLarge for a list longer than kMaxAttributeList.
Result AaipAttribute(Bytes systemUse, std::uint8_t skip, ContinuationAreas& areas,
                     std::string_view name, std::vector<std::uint8_t>& value);

}  // namespace wrenlo
