#include "core/rescue/CopyPlan.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kIsoSectorBytes = 2048;
constexpr std::uint32_t kWholeSectorBytes = 2352;

}  // namespace

std::uint64_t CopyPlan::Sectors() const {
  std::uint64_t sectors = 0;
  for (const CopyExtent& extent : extents) sectors += static_cast<std::uint64_t>(extent.count);
  return sectors;
}

std::uint64_t CopyPlan::ImageSectorOf(std::int64_t address) const {
  if (format == ImageFormat::Iso) return static_cast<std::uint64_t>(address);
  // A BIN holds the sessions one after another.
  std::uint64_t before = 0;
  for (const CopySession& session : sessions) {
    if (address < session.start + session.count)
      return before +
             static_cast<std::uint64_t>(std::max<std::int64_t>(address - session.start, 0));
    before += static_cast<std::uint64_t>(session.count);
  }
  return before;
}

bool PlanCopy(const DiscFacts& disc, SessionChoice sessions, std::optional<ImageFormat> named,
              SectorRange32 range, CopyPlan& plan, std::string& error) {
  plan = CopyPlan{};
  std::vector<CopySession> chosen;
  for (const CopySession& session : disc.sessions)
    if (session.count > 0) chosen.push_back(session);
  if (chosen.empty()) {
    error = "the disc has no sectors to copy";
    return false;
  }
  if (sessions == SessionChoice::Last) chosen.erase(chosen.begin(), chosen.end() - 1);
  plan.sessions = chosen;
  for (const CopyTrack& track : disc.tracks)
    if (std::any_of(chosen.begin(), chosen.end(),
                    [&](const CopySession& s) { return s.number == track.session; }))
      plan.tracks.push_back(track);
  plan.multiSession = chosen.size() > 1;

  const bool otherThanMode1 = std::any_of(plan.tracks.begin(), plan.tracks.end(),
                                          [](const CopyTrack& t) { return t.mode != 1; });
  if (!disc.cd && named == ImageFormat::BinCue) {
    error = "a DVD or BD has no 2352-byte sectors for a BIN/CUE image: name an .iso image";
    return false;
  }
  const bool binCue =
      disc.cd && (otherThanMode1 || plan.multiSession || named == ImageFormat::BinCue);
  if (binCue && named == ImageFormat::Iso) {
    error = otherThanMode1
                ? "this disc has audio or Mode 2 tracks: name a .cue image for its BIN/CUE copy"
                : "a copy of every session of a CD is a BIN/CUE image: name a .cue image";
    return false;
  }
  plan.format = binCue ? ImageFormat::BinCue : ImageFormat::Iso;
  plan.sectorBytes = binCue ? kWholeSectorBytes : kIsoSectorBytes;

  for (const CopySession& session : chosen) {
    CopyExtent extent{session.start, session.count, 0};
    // A range holds within the last session.
    if (sessions == SessionChoice::Last) {
      const std::int64_t first = std::clamp<std::int64_t>(range.first, 0, session.count);
      const std::int64_t last =
          range.last < 0 || range.last >= session.count ? session.count - 1 : range.last;
      extent.address = session.start + first;
      extent.count = std::max<std::int64_t>(last - first + 1, 0);
    }
    extent.imageSector = plan.ImageSectorOf(extent.address);
    if (extent.count > 0) plan.extents.push_back(extent);
  }
  if (plan.extents.empty()) {
    error = "the range holds no sector of the session";
    return false;
  }
  // The image runs to the end of what the session choice covers, whatever
  // the range, so that every copy of the disc has the same size.
  const CopySession& lastSession = chosen.back();
  plan.imageSectors = plan.ImageSectorOf(lastSession.start + lastSession.count - 1) + 1;
  return true;
}
