#include "MediumReplies.h"

#include "ReplyBytes.h"

namespace wrenlo::drive {

std::uint32_t ShortReplyLength(std::span<const std::uint8_t> reply) {
  return ReplyBytes(reply).U16(0) + 2u;
}

namespace {

// The reply cut to its announced length.
ReplyBytes Announced(std::span<const std::uint8_t> reply) {
  return ReplyBytes(reply).Prefix(ShortReplyLength(reply));
}

}  // namespace

std::optional<DiscInformation> DecodeDiscInformation(std::span<const std::uint8_t> reply) {
  // Byte 2 disc status (bits 1-0), 3 first track, 4/9 sessions, 5/10 first
  // and 6/11 last track of the last session (low byte / high byte).
  const ReplyBytes r = Announced(reply);
  if (r.size() < 12) return std::nullopt;
  DiscInformation info;
  info.discStatus = r.U8(2) & 0x03;
  info.firstTrack = r.U8(3);
  info.sessions = static_cast<std::uint16_t>(r.U8(9) << 8 | r.U8(4));
  info.firstTrackOfLastSession = static_cast<std::uint16_t>(r.U8(10) << 8 | r.U8(5));
  info.lastTrackOfLastSession = static_cast<std::uint16_t>(r.U8(11) << 8 | r.U8(6));
  return info;
}

std::optional<Toc> DecodeToc(std::span<const std::uint8_t> reply) {
  // Bytes 2 and 3 first and last track; 8-byte descriptors from byte 4:
  // byte 1 ADR/control, byte 2 track number, bytes 4-7 start address.
  const ReplyBytes r = Announced(reply);
  if (r.size() < 4) return std::nullopt;
  Toc toc;
  toc.firstTrack = r.U8(2);
  toc.lastTrack = r.U8(3);
  for (std::size_t at = 4; r.Has(at, 8); at += 8) {
    TocEntry entry;
    entry.control = r.U8(at + 1) & 0x0F;
    entry.track = r.U8(at + 2);
    entry.start = r.U32(at + 4);
    toc.entries.push_back(entry);
  }
  return toc;
}

const FullTocSession* FullToc::Session(std::uint8_t number) const {
  for (const FullTocSession& session : sessions)
    if (session.number == number) return &session;
  return nullptr;
}

std::optional<FullToc> DecodeFullToc(std::span<const std::uint8_t> reply) {
  // Bytes 2 and 3 first and last session; 11-byte descriptors from byte 4:
  // byte 0 session, 1 ADR (bits 7-4) and control, 3 POINT, 8-10 PMIN, PSEC,
  // PFRAME. With ADR 1, POINT 1 to 99 gives a track's start, A0h the first
  // track (PMIN) and disc type (PSEC), A2h the session's lead-out.
  constexpr std::uint8_t kPointFirstTrack = 0xA0, kPointLeadOut = 0xA2;
  const ReplyBytes r = Announced(reply);
  if (r.size() < 4) return std::nullopt;
  FullToc toc;
  for (std::size_t at = 4; r.Has(at, 11); at += 11) {
    if (r.U8(at + 1) >> 4 != 1) continue;  // another kind of descriptor
    const std::uint8_t number = r.U8(at);
    const std::uint8_t point = r.U8(at + 3);
    // MSF from 00:02:00 at address 0; an address before that is no start.
    const std::int64_t address =
        (std::int64_t{r.U8(at + 8)} * 60 + r.U8(at + 9)) * 75 + r.U8(at + 10) - 150;
    FullTocSession* session = nullptr;
    for (FullTocSession& known : toc.sessions)
      if (known.number == number) session = &known;
    if (session == nullptr) session = &toc.sessions.emplace_back(FullTocSession{number, 0, {}});
    if (point >= 1 && point <= 99 && address >= 0) {
      toc.tracks.push_back(FullTocTrack{point, number,
                                        static_cast<std::uint8_t>(r.U8(at + 1) & 0x0F),
                                        static_cast<std::uint32_t>(address)});
    } else if (point == kPointFirstTrack) {
      session->discType = r.U8(at + 9);
    } else if (point == kPointLeadOut && address >= 0) {
      session->leadOut = static_cast<std::uint32_t>(address);
    }
  }
  return toc;
}

std::optional<TrackInfo> DecodeTrackInformation(std::span<const std::uint8_t> reply) {
  // Bytes 2/32 track number, 3/33 session number (low byte / high byte),
  // 5 track mode, 6 blank bit and data mode, 8-11 start, 24-27 size.
  const ReplyBytes r = Announced(reply);
  if (r.size() < 28) return std::nullopt;
  TrackInfo info;
  info.track = static_cast<std::uint16_t>(r.U8(32) << 8 | r.U8(2));
  info.session = static_cast<std::uint16_t>(r.U8(33) << 8 | r.U8(3));
  info.trackMode = r.U8(5) & 0x0F;
  info.blank = r.Bit(6, 6);
  info.dataMode = r.U8(6) & 0x0F;
  info.start = r.U32(8);
  info.size = r.U32(24);
  return info;
}

std::optional<Capacity> DecodeCapacity(std::span<const std::uint8_t> reply) {
  const ReplyBytes r(reply);
  if (r.size() < 8) return std::nullopt;
  return Capacity{r.U32(0), r.U32(4)};
}

std::optional<MediaStatus> DecodeMediaStatus(std::span<const std::uint8_t> reply) {
  // Header: bytes 0-1 descriptor length, byte 2 NEA (bit 7) and class (bits
  // 2-0, 4 = media); the media descriptor: byte 4 event code (bits 3-0),
  // byte 5 tray open (bit 0) and media present (bit 1).
  const ReplyBytes r = Announced(reply);
  if (r.size() < 6 || r.Bit(2, 7) || (r.U8(2) & 0x07) != 4) return std::nullopt;
  MediaStatus status;
  status.event = r.U8(4) & 0x0F;
  status.trayOpen = r.Bit(5, 0);
  status.present = r.Bit(5, 1);
  return status;
}

}  // namespace wrenlo::drive
