#include "MediumLayoutBuilder.h"

#include <algorithm>
#include <map>

namespace wrenlo::drive {

namespace {

constexpr std::uint8_t kMaxTrack = 99;

// The full TOC's session of track, or nullptr.
const FullTocSession* SessionOf(const std::optional<FullToc>& fullToc, std::uint8_t track) {
  if (!fullToc) return nullptr;
  for (const FullTocTrack& entry : fullToc->tracks)
    if (entry.track == track) return fullToc->Session(entry.session);
  return nullptr;
}

std::uint8_t TrackMode(const TocEntry& entry, const TrackInfo* info,
                       const FullTocSession* session) {
  if ((entry.control & kControlDataTrack) == 0) return 0;
  if (info && (info->dataMode == 1 || info->dataMode == 2)) return info->dataMode;
  if (!info && session &&
      (session->discType == kDiscTypeCdRomXa || session->discType == kDiscTypeCdI))
    return 2;
  return 1;
}

}  // namespace

Result BuildMediumLayout(const MediumFacts& facts, MediumLayout& out) {
  const std::vector<TocEntry>& entries = facts.toc.entries;
  // The lead-out, or where the drive says the medium ends.
  std::optional<std::uint32_t> leadOut = facts.sectorCount;
  for (const TocEntry& entry : entries)
    if (entry.track == kLeadOutTrack) leadOut = entry.start;

  out.sessions.clear();
  out.tracks.clear();
  std::size_t infoIndex = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TocEntry& entry = entries[i];
    if (entry.track < 1 || entry.track > kMaxTrack) continue;
    if (!out.tracks.empty() && entry.track <= out.tracks.back().number) continue;  // out of order

    // Ends where the next entry starts (a track or the lead-out).
    std::optional<std::uint32_t> end;
    for (std::size_t j = i + 1; j < entries.size() && !end; ++j)
      if ((entries[j].track >= 1 && entries[j].track <= kMaxTrack) ||
          entries[j].track == kLeadOutTrack)
        end = entries[j].start;
    if (!end) end = leadOut;

    TrackLayout track;
    track.number = entry.track;
    track.session = 1;
    track.start = entry.start;
    track.sectorCount = end && *end > entry.start ? *end - entry.start : 0;
    const TrackInfo* info = nullptr;
    const FullTocSession* session = nullptr;
    if (infoIndex < facts.trackInfo.size() && facts.trackInfo[infoIndex].track == entry.track) {
      info = &facts.trackInfo[infoIndex++];
      track.session = info->session;
      track.start = info->start;
      if (info->size != 0) track.sectorCount = info->size;
    } else if ((session = SessionOf(facts.fullToc, entry.track))) {
      // The last track of a session ends at its session's lead-out, not at
      // the next session's first track.
      track.session = session->number;
      if (session->leadOut && *session->leadOut > entry.start) {
        const std::uint32_t toLeadOut = *session->leadOut - entry.start;
        track.sectorCount =
            track.sectorCount == 0 ? toLeadOut : std::min(track.sectorCount, toLeadOut);
      }
    }
    track.mode = TrackMode(entry, info, session);
    out.tracks.push_back(track);
  }
  if (out.tracks.empty()) return kNoMedium;

  std::map<std::int32_t, SessionLayout> sessions;
  for (const TrackLayout& track : out.tracks) {
    const std::uint64_t trackEnd = std::uint64_t{track.start} + track.sectorCount;
    auto [it, added] = sessions.try_emplace(track.session);
    SessionLayout& session = it->second;
    if (added) {
      session.number = track.session;
      session.start = track.start;
      session.firstTrack = track.number;
      session.sectorCount = track.sectorCount;
    } else {
      const std::uint64_t sessionEnd = std::uint64_t{session.start} + session.sectorCount;
      session.start = std::min(session.start, track.start);
      session.sectorCount = static_cast<std::uint32_t>(
          std::min<std::uint64_t>(std::max(sessionEnd, trackEnd) - session.start, 0xFFFFFFFFu));
    }
    session.lastTrack = track.number;
  }
  for (const auto& [number, session] : sessions) out.sessions.push_back(session);
  return kOk;
}

std::u16string ProfileName(std::uint16_t profile) {
  switch (profile) {
    case 0x0008:
      return u"CD-ROM";
    case 0x0009:
      return u"CD-R";
    case 0x000A:
      return u"CD-RW";
    case 0x0010:
      return u"DVD-ROM";
    case 0x0011:
      return u"DVD-R";
    case 0x0012:
      return u"DVD-RAM";
    case 0x0013:
    case 0x0014:
      return u"DVD-RW";
    case 0x0015:
    case 0x0016:
      return u"DVD-R DL";
    case 0x0017:
      return u"DVD-RW DL";
    case 0x001A:
      return u"DVD+RW";
    case 0x001B:
      return u"DVD+R";
    case 0x002A:
      return u"DVD+RW DL";
    case 0x002B:
      return u"DVD+R DL";
    case 0x0040:
      return u"BD-ROM";
    case 0x0041:
    case 0x0042:
      return u"BD-R";
    case 0x0043:
      return u"BD-RE";
    case 0x0050:
      return u"HD DVD-ROM";
    case 0x0051:
      return u"HD DVD-R";
    case 0x0052:
      return u"HD DVD-RAM";
    case 0x0053:
      return u"HD DVD-RW";
    case 0x0058:
      return u"HD DVD-R DL";
    case 0x005A:
      return u"HD DVD-RW DL";
    default:
      return u"Unknown";
  }
}

}  // namespace wrenlo::drive
