// The fuzz input as a disc image: 16 empty sectors (the system area, which
// no decoder reads) and then the input, so that the fuzzer spends its bytes
// on the volume descriptors and what follows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wrenlo {

inline std::vector<std::uint8_t> FuzzImage(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(16 * 2048, 0);
  bytes.insert(bytes.end(), data, data + size);
  return bytes;
}

}  // namespace wrenlo
