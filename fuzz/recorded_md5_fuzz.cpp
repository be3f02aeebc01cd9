// What a disc records about its content, from the fuzz input: a checksum tag
// block, a primary volume descriptor's implanted MD5, xorriso's "isofs.ca"
// and "isofs.cx" values, and the input as a session's blocks fed in order.
#include <algorithm>
#include <vector>

#include "core/verify/ChecksumTag.h"
#include "core/verify/ImplantedMd5.h"
#include "core/verify/SessionDigests.h"
#include "core/verify/XorrisoMd5.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kBlock = 2048;
  std::vector<std::uint8_t> block(data, data + std::min(size, kBlock));
  block.resize(kBlock);
  DecodeChecksumTag(block);
  DecodeImplantedMd5(block);
  const std::span<const std::uint8_t> all(data, size);
  DecodeChecksumArea(all);
  DecodeChecksumIndex(all);
  // The blocks of a session, with one not read now and then.
  std::vector<std::uint8_t> blocks(data, data + size);
  blocks.resize((size + kBlock - 1) / kBlock * kBlock);
  SessionDigests digests(0, nullptr);
  for (std::size_t i = 0; i * kBlock < blocks.size(); ++i)
    digests.Feed(i, blocks[i * kBlock] == 0xEE ? nullptr : blocks.data() + i * kBlock);
  digests.Implanted();
  digests.Session();
  return 0;
}
