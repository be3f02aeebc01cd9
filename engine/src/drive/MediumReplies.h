// Decoders of the replies that describe the medium: READ DISC INFORMATION,
// READ TOC format 0 (addresses as LBA) and format 2 (the full TOC of a CD,
// addresses as MSF), READ TRACK INFORMATION, READ CAPACITY(10) and the media
// class of GET EVENT STATUS NOTIFICATION.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace wrenlo::drive {

// The length of a reply whose bytes 0-1 count the bytes after themselves
// (disc and track information, TOC, event status).
std::uint32_t ShortReplyLength(std::span<const std::uint8_t> reply);

struct DiscInformation {
  std::uint8_t discStatus = 0;  // 0 empty, 1 incomplete, 2 finalized, 3 other
  std::uint8_t firstTrack = 0;  // first track on the disc
  std::uint16_t sessions = 0;
  std::uint16_t firstTrackOfLastSession = 0;
  std::uint16_t lastTrackOfLastSession = 0;
};
std::optional<DiscInformation> DecodeDiscInformation(std::span<const std::uint8_t> reply);

inline constexpr std::uint8_t kLeadOutTrack = 0xAA;
// TOC control bit: the track holds data (clear: audio).
inline constexpr std::uint8_t kControlDataTrack = 0x04;

struct TocEntry {
  std::uint8_t track = 0;  // 1 to 99, or kLeadOutTrack
  std::uint8_t control = 0;
  std::uint32_t start = 0;
};
struct Toc {
  std::uint8_t firstTrack = 0;
  std::uint8_t lastTrack = 0;
  std::vector<TocEntry> entries;  // in reply order, the lead-out last
};
std::optional<Toc> DecodeToc(std::span<const std::uint8_t> reply);

// Disc types a CD's session states in its TOC (the first track pointer's
// PSEC): CD-DA or CD-ROM, CD-I, CD-ROM XA. Data tracks of the last two are
// Mode 2.
inline constexpr std::uint8_t kDiscTypeCdDaOrCdRom = 0x00;
inline constexpr std::uint8_t kDiscTypeCdI = 0x10;
inline constexpr std::uint8_t kDiscTypeCdRomXa = 0x20;

// The full TOC of a CD: which session each track is in and where each
// session's lead-out starts, which format 0 does not say.
struct FullTocTrack {
  std::uint8_t track = 0;  // 1 to 99
  std::uint8_t session = 0;
  std::uint8_t control = 0;
  std::uint32_t start = 0;
};
struct FullTocSession {
  std::uint8_t number = 0;
  std::uint8_t discType = kDiscTypeCdDaOrCdRom;
  std::optional<std::uint32_t> leadOut;
};
struct FullToc {
  std::vector<FullTocTrack> tracks;      // in reply order
  std::vector<FullTocSession> sessions;  // in order of first mention
  const FullTocSession* Session(std::uint8_t number) const;
};
std::optional<FullToc> DecodeFullToc(std::span<const std::uint8_t> reply);

struct TrackInfo {
  std::uint16_t track = 0;
  std::uint16_t session = 0;
  std::uint8_t trackMode = 0;  // control nibble: bit 2 set = data
  std::uint8_t dataMode = 0;   // 1 mode 1, 2 mode 2, 0Fh unknown
  bool blank = false;
  std::uint32_t start = 0;
  std::uint32_t size = 0;
};
std::optional<TrackInfo> DecodeTrackInformation(std::span<const std::uint8_t> reply);

struct Capacity {
  std::uint32_t lastAddress = 0;
  std::uint32_t blockLength = 0;
};
std::optional<Capacity> DecodeCapacity(std::span<const std::uint8_t> reply);

struct MediaStatus {
  std::uint8_t event = 0;  // 0 no change, 1 eject request, 2 new media, 3 removal, ...
  bool trayOpen = false;
  bool present = false;
};
// nullopt when the reply carries no media event (no event available, or
// another class).
std::optional<MediaStatus> DecodeMediaStatus(std::span<const std::uint8_t> reply);

}  // namespace wrenlo::drive
