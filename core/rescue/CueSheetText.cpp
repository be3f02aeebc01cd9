#include "core/rescue/CueSheetText.h"

#include <cstdio>
#include <cstring>

namespace {

// The longest gap looked for before a track: ten seconds.
constexpr std::uint64_t kLongestGap = 750;

WholeSectorForm FormOf(const CopyTrack& track) {
  if (track.IsAudio()) return WholeSectorForm::Other;
  return track.mode == 1 ? WholeSectorForm::Mode1 : WholeSectorForm::Mode2;
}

const char* TypeOf(const CopyTrack& track) {
  if (track.IsAudio()) return "AUDIO";
  return track.mode == 1 ? "MODE1/2352" : "MODE2/2352";
}

// mm:ss:ff of a count of sectors, 75 a second.
std::string Time(std::uint64_t sectors) {
  char text[32];
  std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu",
                static_cast<unsigned long long>(sectors / 4500),
                static_cast<unsigned long long>(sectors / 75 % 60),
                static_cast<unsigned long long>(sectors % 75));
  return text;
}

std::string TwoDigits(std::int32_t number) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", static_cast<int>(number));
  return text;
}

}  // namespace

WholeSectorForm FormOfWholeSector(const std::uint8_t* sector) {
  static constexpr std::uint8_t kSync[12] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  if (std::memcmp(sector, kSync, sizeof kSync) != 0) return WholeSectorForm::Other;
  if (sector[15] == 1) return WholeSectorForm::Mode1;
  if (sector[15] == 2) return WholeSectorForm::Mode2;
  return WholeSectorForm::Other;
}

std::string CueSheetText(const CopyPlan& plan, const std::string& binName,
                         const std::function<WholeSectorForm(std::uint64_t)>& formAt) {
  std::string text = "FILE \"" + binName + "\" BINARY\n";
  std::int32_t session = 0;
  for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
    const CopyTrack& track = plan.tracks[i];
    if (plan.multiSession && track.session != session)
      text += "REM SESSION " + TwoDigits(track.session) + "\n";
    const CopyTrack* previous =
        i > 0 && plan.tracks[i - 1].session == track.session ? &plan.tracks[i - 1] : nullptr;
    session = track.session;
    const std::uint64_t start = plan.ImageSectorOf(track.start);
    // The gap before it that is in its form, within the track before.
    std::uint64_t gap = 0;
    if (previous != nullptr && FormOf(*previous) != FormOf(track)) {
      const std::uint64_t previousStart = plan.ImageSectorOf(previous->start);
      while (gap < kLongestGap && start - gap - 1 > previousStart &&
             formAt(start - gap - 1) == FormOf(track))
        ++gap;
    }
    text += "  TRACK " + TwoDigits(track.number) + " " + TypeOf(track) + "\n";
    if (gap > 0) text += "    INDEX 00 " + Time(start - gap) + "\n";
    text += "    INDEX 01 " + Time(start) + "\n";
  }
  return text;
}
