// Replies of QEMU's two emulated drives (IDE/ATAPI "QEMU DVD-ROM" and SCSI
// "QEMU CD-ROM"), as recorded from them in a guest, for the decoder and
// backend tests.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace wrenlo::drive::testing {

using Bytes = std::vector<std::uint8_t>;

// Bytes from text "00 1f 3a ..." (blanks between bytes ignored).
inline Bytes Hex(std::string_view text) {
  Bytes out;
  int high = -1;
  for (char c : text) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<std::uint8_t>(high << 4 | v));
      high = -1;
    }
  }
  return out;
}

// Standard INQUIRY (36 bytes announced).
inline Bytes IdeInquiry() {
  return Hex(
      "05 80 00 21 1f 00 00 00 51 45 4d 55 20 20 20 20 51 45 4d 55 20 44 56 44 2d 52 4f 4d"
      "20 20 20 20 32 2e 35 2b");
}

// MODE SENSE(10) page 2Ah: bytes 2-7 3b 00 71 60 29 00, 704 kB/s, 512 KiB.
inline Bytes IdeCapabilitiesPage() {
  return Hex("00 1a 70 00 00 00 00 00 2a 12 3b 00 71 60 29 00 02 c0 00 02 02 00 02 c0 00 00 00 00");
}

// GET CONFIGURATION: the Profile List only, DVD-ROM and CD-ROM, current
// profile as given.
inline Bytes IdeConfiguration(std::uint16_t current) {
  Bytes reply = Hex("00 00 00 14 00 00 00 08 00 00 03 08 00 10 00 00 00 08 01 00");
  reply[6] = static_cast<std::uint8_t>(current >> 8);
  reply[7] = static_cast<std::uint8_t>(current);
  reply[14] = current == 0x0010;
  reply[18] = current == 0x0008;
  return reply;
}

// READ TOC format 0: track 1 (data) at 0, lead-out at sectors.
inline Bytes Toc(std::uint32_t sectors) {
  Bytes reply = Hex("00 12 01 01 00 14 01 00 00 00 00 00 00 16 aa 00 00 00 00 00");
  reply[16] = static_cast<std::uint8_t>(sectors >> 24);
  reply[17] = static_cast<std::uint8_t>(sectors >> 16);
  reply[18] = static_cast<std::uint8_t>(sectors >> 8);
  reply[19] = static_cast<std::uint8_t>(sectors);
  return reply;
}

inline Bytes Capacity(std::uint32_t sectors) {
  const std::uint32_t last = sectors - 1;
  return {static_cast<std::uint8_t>(last >> 24),
          static_cast<std::uint8_t>(last >> 16),
          static_cast<std::uint8_t>(last >> 8),
          static_cast<std::uint8_t>(last),
          0,
          0,
          8,
          0};
}

// GET EVENT STATUS NOTIFICATION, media class: no change, medium present.
inline Bytes MediaPresent() { return Hex("00 06 04 54 00 02 00 00"); }
inline Bytes MediaAbsent() { return Hex("00 06 04 54 00 00 00 00"); }

}  // namespace wrenlo::drive::testing
