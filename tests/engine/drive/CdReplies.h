// Replies a CD drive gives, built from MMC's layouts for the tests: READ TOC
// format 0 and format 2 (full TOC), READ TRACK INFORMATION, and sectors as
// READ CD returns them whole.
#pragma once

#include <cstdint>
#include <vector>

#include "QemuReplies.h"

namespace wrenlo::drive::testing {

inline void PutBigEndian(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

struct TocLine {
  std::uint8_t track;  // 1 to 99, or 0xAA for the lead-out
  std::uint8_t control;
  std::uint32_t start;
};
// READ TOC format 0, addresses as LBA.
inline Bytes TocReply(const std::vector<TocLine>& lines) {
  Bytes reply(4 + 8 * lines.size(), 0);
  reply[1] = static_cast<std::uint8_t>(reply.size() - 2);
  reply[2] = lines.front().track;
  reply[3] = lines.size() > 1 ? lines[lines.size() - 2].track : lines.front().track;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    reply[4 + 8 * i + 1] = static_cast<std::uint8_t>(0x10 | lines[i].control);
    reply[4 + 8 * i + 2] = lines[i].track;
    PutBigEndian(reply, 4 + 8 * i + 4, lines[i].start);
  }
  return reply;
}

struct FullTocLine {
  std::uint8_t session;
  std::uint8_t adrControl;  // ADR in bits 7-4
  std::uint8_t point;
  std::uint8_t pmin, psec, pframe;
};
// A track's start or a lead-out as PMIN/PSEC/PFRAME (MSF 00:02:00 is LBA 0).
inline FullTocLine At(std::uint8_t session, std::uint8_t adrControl, std::uint8_t point,
                      std::uint32_t lba) {
  const std::uint32_t frames = lba + 150;
  return {session,
          adrControl,
          point,
          static_cast<std::uint8_t>(frames / 75 / 60),
          static_cast<std::uint8_t>(frames / 75 % 60),
          static_cast<std::uint8_t>(frames % 75)};
}
// READ TOC format 2: 11-byte descriptors after the 4-byte header.
inline Bytes FullTocReply(const std::vector<FullTocLine>& lines) {
  Bytes reply(4 + 11 * lines.size(), 0);
  reply[0] = static_cast<std::uint8_t>((reply.size() - 2) >> 8);
  reply[1] = static_cast<std::uint8_t>(reply.size() - 2);
  reply[2] = lines.front().session;
  reply[3] = lines.back().session;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::uint8_t* d = &reply[4 + 11 * i];
    d[0] = lines[i].session;
    d[1] = lines[i].adrControl;
    d[3] = lines[i].point;
    d[8] = lines[i].pmin;
    d[9] = lines[i].psec;
    d[10] = lines[i].pframe;
  }
  return reply;
}

// An enhanced CD: audio tracks 1 and 2 in session 1 (lead-out at 20000), a
// CD-ROM XA data track 3 in session 2 (lead-out at 40000).
inline Bytes EnhancedCdToc() {
  return TocReply({{1, 0, 0}, {2, 0, 10000}, {3, 4, 31400}, {0xAA, 4, 40000}});
}
inline Bytes EnhancedCdFullToc() {
  return FullTocReply({
      {1, 0x10, 0xA0, 1, 0x00, 0},  // first track 1, CD-DA
      {1, 0x10, 0xA1, 2, 0, 0},
      At(1, 0x10, 0xA2, 20000),
      At(1, 0x10, 1, 0),
      At(1, 0x10, 2, 10000),
      {1, 0x50, 0xB0, 6, 40, 0},    // ADR 5: the next session's place, not a track
      {2, 0x14, 0xA0, 3, 0x20, 0},  // first track 3, CD-ROM XA
      {2, 0x14, 0xA1, 3, 0, 0},
      At(2, 0x14, 0xA2, 40000),
      At(2, 0x14, 3, 31400),
  });
}

// READ TRACK INFORMATION of one track (36 bytes).
inline Bytes TrackInformationReply(std::uint8_t track, std::uint8_t session, std::uint8_t control,
                                   std::uint8_t dataMode, std::uint32_t start, std::uint32_t size) {
  Bytes reply(36, 0);
  reply[1] = 34;
  reply[2] = track;
  reply[3] = session;
  reply[5] = control;
  reply[6] = dataMode;
  PutBigEndian(reply, 8, start);
  PutBigEndian(reply, 24, size);
  return reply;
}

// A whole 2352-byte data sector: sync, header with mode, for Mode 2 the
// sub-header (form 2 when form2), then user bytes from user(i).
template <typename User>
Bytes WholeDataSector(std::uint8_t mode, bool form2, User user) {
  Bytes sector(2352, 0);
  for (int i = 1; i <= 10; ++i) sector[i] = 0xFF;
  sector[15] = mode;
  std::size_t userAt = 16;
  if (mode == 2) {
    sector[18] = sector[22] = form2 ? 0x20 : 0x08;  // submode: form 2, or data
    userAt = 24;
  }
  for (std::size_t i = userAt; i < sector.size(); ++i) sector[i] = user(i - userAt);
  return sector;
}

}  // namespace wrenlo::drive::testing
