// The descriptors the scan history knows a disc by, from a fuzzed session:
// an 8-byte header (a sector that fails to read, 0xFFFF for none; two unused
// bytes; the session's size in sectors), then the session from its sector 16
// on. A sector past the input reads as the input's sector it falls on when
// counted round again, so that the anchor at 256 and any extent read
// something. The reader must end, quickly, reading no more than its bounds.
#include <cstring>
#include <vector>

#include "core/history/VolumeDescriptors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kHeader = 8;
  constexpr std::size_t kSector = 2048;
  if (size < kHeader + kSector) return 0;
  const std::int32_t failing = data[0] | (data[1] << 8);
  std::uint32_t sessionSectors = 0;
  std::memcpy(&sessionSectors, data + 4, 4);
  std::vector<std::uint8_t> image(16 * kSector, 0);
  image.insert(image.end(), data + kHeader, data + size);
  image.resize(image.size() / kSector * kSector);
  const std::size_t sectors = image.size() / kSector;
  int reads = 0;
  const SessionSectorReader read = [&](std::int32_t sector, std::uint8_t* out) {
    ++reads;
    if (sector == failing) return false;
    std::size_t at = static_cast<std::size_t>(sector);
    if (at >= sectors) at = 16 + (at - 16) % (sectors - 16);
    std::memcpy(out, image.data() + at * kSector, kSector);
    return true;
  };
  VolumeDescriptors out;
  ReadVolumeDescriptors(read, 0, sessionSectors, out);
  if (reads > 2 + kMaxDescriptorSectors) __builtin_trap();
  return 0;
}
