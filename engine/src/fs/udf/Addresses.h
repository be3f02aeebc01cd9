// The address records UDF descriptors use to point at one another.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ByteView.h"

namespace wrenlo::udf {

inline constexpr std::uint32_t kBlockSize = 2048;

// extent_ad (ECMA-167 3/7.1): a run of sectors by absolute sector number.
struct ExtentAd {
  std::uint32_t length = 0;    // bytes
  std::uint32_t location = 0;  // first sector

  std::uint32_t Sectors() const { return length / kBlockSize + (length % kBlockSize != 0); }
};

inline ExtentAd ReadExtentAd(ByteView& view, std::size_t offset) {
  return {view.U32(offset), view.U32(offset + 4)};
}

// lb_addr (ECMA-167 4/7.1): a logical block of one partition, named by its
// index in the logical volume's partition maps.
struct BlockAddress {
  std::uint32_t block = 0;
  std::uint16_t partition = 0;

  friend bool operator==(const BlockAddress&, const BlockAddress&) = default;
};

inline BlockAddress ReadBlockAddress(ByteView& view, std::size_t offset) {
  return {view.U32(offset), view.U16(offset + 4)};
}

// long_ad (ECMA-167 4/14.14.2) without its implementation use.
struct LongAd {
  std::uint32_t length = 0;  // bytes; the top two bits are the extent type
  BlockAddress address;
};

inline LongAd ReadLongAd(ByteView& view, std::size_t offset) {
  return {view.U32(offset), ReadBlockAddress(view, offset + 4)};
}

}  // namespace wrenlo::udf
