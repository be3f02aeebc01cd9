// The input of the fuzz targets of a record's system use field: its first
// byte is the number of bytes skipped before the entries, its second the
// length of the field, which follows; the rest are the sectors its
// continuation areas may point into.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Bytes.h"

namespace wrenlo {

struct SystemUseInput {
  std::uint8_t skip = 0;
  Bytes field;
  std::vector<std::uint8_t> sectors;  // whole sectors, the last padded with zeros

  // False for an input too short to hold the two bytes.
  bool Read(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return false;
    skip = data[0];
    const std::size_t fieldLength = std::min<std::size_t>(data[1], size - 2);
    field = Bytes(data + 2, fieldLength);
    sectors.assign(data + 2 + fieldLength, data + size);
    sectors.resize((sectors.size() + 2047) / 2048 * 2048);
    return true;
  }
};

}  // namespace wrenlo
