#include "image/RawSector.h"

#include <cstring>

#include "image/SectorEcc.h"

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

constexpr std::uint8_t kSync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

std::uint8_t Bcd(std::uint32_t value) {
  return static_cast<std::uint8_t>(value / 10 * 16 + value % 10);
}

// The sync pattern and the header of a data sector at address in mode: its
// CD time as BCD minutes (past 99, the tens digit counts on past 9 as disc
// writers record them), seconds and frames.
void WriteSyncAndHeader(std::uint32_t address, std::uint8_t mode, std::uint8_t* out) {
  std::memcpy(out, kSync, sizeof kSync);
  const std::uint64_t time = std::uint64_t{address} + kAddressToTime;
  const std::uint64_t minutes = time / (60 * kFramesPerSecond);
  out[12] = static_cast<std::uint8_t>((minutes / 10 % 16) << 4 | minutes % 10);
  out[13] = Bcd(static_cast<std::uint32_t>(time / kFramesPerSecond % 60));
  out[14] = Bcd(static_cast<std::uint32_t>(time % kFramesPerSecond));
  out[15] = mode;
}

// Sync pattern and header: 00, ten FFh, 00, then the address as BCD minutes,
// seconds and frames of CD time (checked where it fits in two digits of
// minutes) and the mode.
bool HeaderMatches(const std::uint8_t* raw, std::uint32_t address) {
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

Result WholeSector(CueTrackType type, std::uint32_t address, const std::uint8_t* stored,
                   std::uint8_t* out) {
  switch (type) {
    case CueTrackType::Audio:
      std::memcpy(out, stored, kWholeSectorBytes);
      return kOk;
    case CueTrackType::Mode1Cooked:
      BuildMode1Sector(address, stored, out);
      return kOk;
    case CueTrackType::Mode2Cooked:
    case CueTrackType::Mode1Raw:
    case CueTrackType::Mode2Raw:
      break;
  }
  // Checked as a read of its user data checks it.
  std::uint8_t user[kUserBytes];
  if (const Result result = UserData(type, address, stored, user); result != kOk) return result;
  if (type == CueTrackType::Mode2Cooked) {
    WriteSyncAndHeader(address, 2, out);
    std::memcpy(out + kHeaderEnd, stored, kMode2Body);
  } else {
    std::memcpy(out, stored, kWholeSectorBytes);
  }
  return kOk;
}

void BuildMode1Sector(std::uint32_t address, const std::uint8_t* user, std::uint8_t* out) {
  constexpr std::size_t kEdcEnd = kHeaderEnd + kUserBytes;
  WriteSyncAndHeader(address, 1, out);
  std::memcpy(out + kHeaderEnd, user, kUserBytes);
  const std::uint32_t edc = SectorEdc(Bytes(out, kEdcEnd));
  for (std::size_t i = 0; i < 4; ++i) out[kEdcEnd + i] = static_cast<std::uint8_t>(edc >> (8 * i));
  std::memset(out + kEdcEnd + 4, 0, 8);
  AddSectorEcc(out);
}

void GapSector(CueTrackType type, std::uint32_t address, std::uint8_t* out) {
  switch (type) {
    case CueTrackType::Audio:
      std::memset(out, 0, kWholeSectorBytes);
      return;
    case CueTrackType::Mode1Cooked:
    case CueTrackType::Mode1Raw: {
      static constexpr std::uint8_t kZeros[kUserBytes] = {};
      BuildMode1Sector(address, kZeros, out);
      return;
    }
    case CueTrackType::Mode2Cooked:
    case CueTrackType::Mode2Raw:
      // A Form 1 sector of zeros (sub-header and user data) is whole as it
      // is: its EDC and its ECC (which Mode 2 computes as if the header were
      // zero) are zeros too.
      WriteSyncAndHeader(address, 2, out);
      std::memset(out + kHeaderEnd, 0, kWholeSectorBytes - kHeaderEnd);
      return;
  }
}

}  // namespace wrenlo
