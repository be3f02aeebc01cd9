#include "core/report/ScanProgressText.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace {

// bytes per second of the single speed of a CD drive, the unit of "1x"
constexpr std::int32_t kSingleSpeed = 150 * 1024;

void AppendFixed(std::u16string& out, double value) {
  char digits[64];
  const auto [end, error] =
      std::to_chars(std::begin(digits), std::end(digits), value, std::chars_format::fixed, 1);
  if (error == std::errc()) out.append(digits, end);
}

void AppendInteger(std::u16string& out, std::int64_t value) {
  char digits[24];
  const auto [end, error] = std::to_chars(std::begin(digits), std::end(digits), value);
  if (error == std::errc()) out.append(digits, end);
}

}  // namespace

int ProgressPosition(const ProgressCtx_t& progress) {
  if (progress.total == 0) return 0;
  return static_cast<int>(std::int64_t{progress.current} * 100 / progress.total);
}

ScanShares SharesOf(const ProgressCtx_t& progress) {
  ScanShares shares;
  if (progress.current == 0) return shares;
  shares.problem = progress.problems * 100.0 / progress.current;
  shares.error = progress.errors * 100.0 / progress.current;
  // When every read was bad the difference can fall a rounding error below
  // zero, which would read "-0.0%".
  shares.good = std::max(0.0, 100.0 - shares.problem - shares.error);
  return shares;
}

std::u16string PercentText(double share) {
  std::u16string text;
  AppendFixed(text, share);
  text += u'%';
  return text;
}

std::u16string SpeedText(std::int32_t bytesPerSecond) {
  std::u16string text;
  AppendInteger(text, bytesPerSecond / kSingleSpeed);
  text += u"x (";
  AppendFixed(text, bytesPerSecond / 1024.0);
  text += u" kbps)";
  return text;
}

std::u16string RangeOutsideText(std::int32_t firstSector, std::int32_t sessionSectors) {
  if (firstSector <= 0 || firstSector < sessionSectors) return {};
  std::u16string text = u"The scan range lies outside this disc: its first sector is ";
  AppendInteger(text, firstSector);
  if (sessionSectors <= 0) return text + u", and the disc holds no sectors to scan.";
  text += u", and the disc's last sector is ";
  AppendInteger(text, sessionSectors - 1);
  return text + u".";
}

std::u16string ShareCountText(std::int64_t count, std::int32_t checked, ScanPass pass) {
  std::u16string text;
  AppendInteger(text, count);
  text += u" of ";
  AppendInteger(text, checked);
  text += pass == ScanPass::FilesTest ? u" files checked" : u" sectors checked";
  return text;
}

std::u16string PassEndText(ScanPass pass, const ProgressCtx_t& progress,
                           std::uint64_t elapsedMicroseconds, bool hasMedium,
                           std::int64_t unlistedFolders) {
  const bool files = pass == ScanPass::FilesTest;
  const bool copy = pass == ScanPass::CopyToImage;
  std::u16string unlisted;
  if (files && unlistedFolders > 0) {
    AppendInteger(unlisted, unlistedFolders);
    unlisted += unlistedFolders == 1 ? u" folder not listed" : u" folders not listed";
  }
  std::u16string text = files ? u"Files test " : copy ? u"Copy to image " : u"Surface scan ";
  if (progress.total <= 0) {
    text += files ? u"finished: nothing was tested, " : u"finished: nothing was read, ";
    if (!hasMedium)
      text += u"no medium in the drive";
    else if (!unlisted.empty())
      text += unlisted;
    else
      text += files ? u"no files found" : u"the last session has no sectors";
    return text;
  }
  const std::int64_t checked = progress.current;
  if (checked < progress.total) {
    text += u"stopped";
    if (!files && !copy) {
      text += u" at sector ";
      AppendInteger(text, checked);
    }
  } else {
    text += u"finished";
  }
  text += u": ";
  AppendInteger(text, progress.total);
  text += files ? u" files, " : u" sectors, ";
  AppendInteger(text, std::max<std::int64_t>(0, checked - progress.problems - progress.errors));
  text += copy ? u" copied at the first read, " : u" good, ";
  AppendInteger(text, progress.problems);
  text += copy ? u" copied after retries, " : u" problem, ";
  AppendInteger(text, progress.errors);
  text += copy ? u" not copied, " : u" error, ";
  AppendInteger(text, std::max<std::int64_t>(0, progress.total - checked));
  text += copy ? u" not read, " : u" not checked, ";
  if (!unlisted.empty()) text += unlisted + u", ";
  text += u"in ";
  const std::uint64_t seconds = elapsedMicroseconds / 1000000;
  AppendInteger(text, static_cast<std::int64_t>(seconds / 3600));
  for (const std::uint64_t part : {seconds / 60 % 60, seconds % 60}) {
    text += part < 10 ? u":0" : u":";
    AppendInteger(text, static_cast<std::int64_t>(part));
  }
  return text;
}
