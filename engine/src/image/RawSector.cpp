#include "image/RawSector.h"

#include <cstring>

namespace wrenlo {

namespace {

constexpr std::size_t kUserBytes = 2048;
constexpr std::size_t kHeaderEnd = 16;    // sync (12 bytes) and header (4)
constexpr std::size_t kMode2Body = 2336;  // subheader and what follows it
constexpr std::size_t kSubheader = 8;     // two copies of four bytes
constexpr std::size_t kForm2User = 2324;
constexpr std::uint8_t kSubmodeForm2 = 0x20;
// The 150 sectors of the first pregap come before address 0 in CD time.
constexpr std::uint32_t kAddressToTime = 150;

bool EdcMatches(const std::uint8_t* covered, std::size_t length) {
  const Bytes stored(covered + length, 4);
  return SectorEdc(Bytes(covered, length)) == Le32(stored, 0);
}

std::uint8_t Bcd(std::uint32_t value) {
  return static_cast<std::uint8_t>(value / 10 * 16 + value % 10);
}

// Sync pattern and header: 00, ten FFh, 00, then the address as BCD minutes,
// seconds and frames of CD time (checked where it fits in two digits of
// minutes) and the mode.
bool HeaderMatches(const std::uint8_t* raw, std::uint32_t address) {
  static constexpr std::uint8_t kSync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  if (std::memcmp(raw, kSync, sizeof kSync) != 0) return false;
  const std::uint64_t time = std::uint64_t{address} + kAddressToTime;
  const std::uint64_t minutes = time / (60 * kFramesPerSecond);
  if (minutes > 99) return true;
  return raw[12] == Bcd(static_cast<std::uint32_t>(minutes)) &&
         raw[13] == Bcd(static_cast<std::uint32_t>(time / kFramesPerSecond % 60)) &&
         raw[14] == Bcd(static_cast<std::uint32_t>(time % kFramesPerSecond));
}

Result Mode2(const std::uint8_t* body, std::uint8_t* out) {
  if ((body[2] & kSubmodeForm2) == 0) {
    if (!EdcMatches(body, kSubheader + kUserBytes)) return kMediumError;
  } else {
    const bool edcRecorded = Le32(Bytes(body, kMode2Body), kSubheader + kForm2User) != 0;
    if (edcRecorded && !EdcMatches(body, kSubheader + kForm2User)) return kMediumError;
  }
  std::memcpy(out, body + kSubheader, kUserBytes);
  return kOk;
}

}  // namespace

Result UserData(CueTrackType type, std::uint32_t address, const std::uint8_t* stored,
                std::uint8_t* out) {
  switch (type) {
    case CueTrackType::Audio:
    case CueTrackType::Mode1Cooked:
      std::memcpy(out, stored, kUserBytes);
      return kOk;
    case CueTrackType::Mode2Cooked:
      return Mode2(stored, out);
    case CueTrackType::Mode1Raw:
    case CueTrackType::Mode2Raw:
      break;
  }
  if (!HeaderMatches(stored, address)) return kMediumError;
  switch (stored[15]) {
    case 0:
      std::memset(out, 0, kUserBytes);
      return kOk;
    case 1:
      if (!EdcMatches(stored, kHeaderEnd + kUserBytes)) return kMediumError;
      std::memcpy(out, stored + kHeaderEnd, kUserBytes);
      return kOk;
    case 2:
      return Mode2(stored + kHeaderEnd, out);
    default:
      return kMediumError;
  }
}

}  // namespace wrenlo
