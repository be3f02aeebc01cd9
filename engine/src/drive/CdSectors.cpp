#include "CdSectors.h"

#include <algorithm>

#include "MmcCommands.h"

namespace wrenlo::drive {

namespace {

constexpr std::size_t kUserBytes = 2048;
// Sync (12 bytes) and header (address, then the mode byte); Mode 2 sectors
// add an 8-byte sub-header (the form is in it; the user data starts after
// it in both forms).
constexpr std::size_t kModeByte = 15;
constexpr std::size_t kMode1UserData = 16;
constexpr std::size_t kMode2UserData = 24;

}  // namespace

Result AudioSectorData(std::span<const std::uint8_t> returned, bool withC2, std::uint8_t* out,
                       std::size_t bytes) {
  const std::size_t expected = kCdSectorBytes + (withC2 ? kC2PointerBytes : 0);
  if (returned.size() != expected || bytes > kCdSectorBytes) return kInvalidArgument;
  if (withC2) {
    const auto pointers = returned.subspan(kCdSectorBytes);
    if (std::any_of(pointers.begin(), pointers.end(), [](std::uint8_t b) { return b != 0; }))
      return kMediumError;
  }
  std::copy_n(returned.begin(), bytes, out);
  return kOk;
}

Result DataSectorData(std::span<const std::uint8_t> returned, std::uint8_t* out) {
  if (returned.size() != kCdSectorBytes) return kInvalidArgument;
  // Mode 0 sectors hold zeros where Mode 1 holds its user data.
  const std::uint8_t mode = returned[kModeByte] & 0x03;
  if (mode == 3) return kMediumError;
  std::copy_n(returned.begin() + (mode == 2 ? kMode2UserData : kMode1UserData), kUserBytes, out);
  return kOk;
}

}  // namespace wrenlo::drive
