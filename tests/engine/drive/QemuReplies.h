// Replies of QEMU's two emulated drives, recorded from them in a guest with
// `drive_harness.py --record` (QEMU 7.2): the IDE/ATAPI drive ("QEMU
// DVD-ROM") and the SCSI drive ("QEMU CD-ROM", serial LUMETER-42). QEMU pads
// every reply with zeros to the allocation length; the padding is left out
// here except where a test needs it.
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

inline Bytes Padded(Bytes bytes, std::size_t length) {
  bytes.resize(length, 0);
  return bytes;
}

// Standard INQUIRY, 36 bytes announced (96 asked for).
inline Bytes IdeInquiry() {
  return Padded(Hex("05 80 05 32 1f 00 00 00 51 45 4d 55 20 20 20 20 51 45 4d 55 20 44 56 44 2d 52"
                    "4f 4d 20 20 20 20 32 2e 35 2b"),
                96);
}
// 96 bytes announced.
inline Bytes ScsiInquiry() {
  return Padded(Hex("05 80 05 12 5b 00 00 12 51 45 4d 55 20 20 20 20 51 45 4d 55 20 43 44 2d 52 4f"
                    "4d 20 20 20 20 20 32 2e 35 2b"),
                96);
}

// VPD page 00h: the IDE drive lists 83h only, the SCSI drive 80h and 83h.
inline Bytes IdeVpdPages() { return Hex("05 00 00 02 00 83"); }
inline Bytes ScsiVpdPages() { return Hex("05 00 00 03 00 80 83"); }
inline Bytes ScsiSerialNumber() { return Hex("05 80 00 0a 4c 55 4d 45 54 45 52 2d 34 32"); }

// MODE SENSE(10) page 2Ah. IDE: bytes 2-7 3b 00 71 60 29 00, 704 kB/s,
// 512 KiB. SCSI: 3b 00 7f ff 2d 00, 8800 kB/s, 2048 KiB.
inline Bytes IdeCapabilitiesPage() {
  return Hex(
      "00 1c 70 00 00 00 00 00 2a 14 3b 00 71 60 29 00 02 c0 00 02 02 00 02 c0 00 00 00 00"
      "00 00");
}
inline Bytes ScsiCapabilitiesPage() {
  return Hex(
      "00 1c 00 00 00 00 00 00 2a 14 3b 00 7f ff 2d 00 22 60 00 02 08 00 0b 00 00 00 0b 00"
      "0b 00");
}

// GET CONFIGURATION. IDE: the Profile List only (DVD-ROM, CD-ROM), with the
// current profile as given (0 = no medium, 8 = CD-ROM, 10h = DVD-ROM).
inline Bytes IdeConfiguration(std::uint16_t current) {
  Bytes reply = Hex("00 00 00 10 00 00 00 08 00 00 03 08 00 10 00 00 00 08 01 00");
  reply[6] = static_cast<std::uint8_t>(current >> 8);
  reply[7] = static_cast<std::uint8_t>(current);
  reply[14] = current == 0x0010;
  reply[18] = current == 0x0008;
  return reply;
}
// SCSI with a DVD: Profile List, Core, Removable Medium.
inline Bytes ScsiConfiguration() {
  return Hex(
      "00 00 00 24 00 00 00 10 00 00 03 08 00 10 01 00 00 08 00 00 00 01 0b 08 00 00 00 01"
      "01 00 00 00 00 03 0b 04 39 00 00 00");
}

// READ DISC INFORMATION of both drives: one finalized session, track 1.
inline Bytes DiscInformation() { return Padded(Hex("00 20 0e 01 01 01 01 20"), 34); }

// READ TOC format 0: track 1 (data) at 0, the lead-out at sectors (recorded
// with 985 = 00 00 03 d9 and 370000 = 00 05 a5 50).
inline Bytes Toc(std::uint32_t sectors) {
  Bytes reply = Hex("00 12 01 01 00 14 01 00 00 00 00 00 00 16 aa 00 00 00 00 00");
  reply[16] = static_cast<std::uint8_t>(sectors >> 24);
  reply[17] = static_cast<std::uint8_t>(sectors >> 16);
  reply[18] = static_cast<std::uint8_t>(sectors >> 8);
  reply[19] = static_cast<std::uint8_t>(sectors);
  return reply;
}

// READ TOC format 2 of the IDE drive with a CD of 1235 sectors: A0h (first
// track 1, disc type 0), A1h, A2h (lead-out 00:18:35) and track 1 at
// 00:02:00, all in session 1.
inline Bytes IdeFullToc() {
  return Hex(
      "00 2e 01 01 01 14 00 a0 00 00 00 00 01 00 00 01 14 00 a1 00 00 00 00 01 00 00 01 14 00 a2"
      "00 00 00 00 00 12 23 01 14 00 01 00 00 00 00 00 02 00");
}
// READ CD of sector 16 whole from the IDE drive (the SCSI drive has no READ
// CD): sync, header 00:02:16 mode 1, then the volume descriptor's first
// bytes; the rest of the 2352 bytes left out.
inline Bytes IdeWholeSector16() {
  return Padded(Hex("00 ff ff ff ff ff ff ff ff ff ff 00 00 02 10 01 01 43 44 30 30 31 01 00"),
                2352);
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

// GET EVENT STATUS NOTIFICATION, media class: no change; medium present or not.
inline Bytes MediaPresent() { return Hex("00 04 04 10 00 02 00 00"); }
inline Bytes MediaAbsent() { return Hex("00 04 04 10 00 00 00 00"); }

}  // namespace wrenlo::drive::testing
