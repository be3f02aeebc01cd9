#include "core/report/ScanProgressText.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "core/disc/DeviceContext.h"

namespace {

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

ShareCounts ShareCountsOf(const ProgressCtx_t& progress) {
  ShareCounts counts;
  counts.problem = progress.problems;
  counts.error = progress.errors;
  counts.good = std::max<std::int64_t>(
      0, std::int64_t{progress.current} - progress.skipped - progress.problems - progress.errors);
  return counts;
}

std::u16string ShareText(std::int64_t count, std::int64_t whole) {
  if (whole <= 0 || count <= 0) return u"0.0%";
  if (count >= whole) return u"100.0%";
  std::u16string text;
  AppendFixed(text, static_cast<double>(count) * 100.0 / static_cast<double>(whole));
  if (text == u"0.0") return u"<0.1%";
  if (text == u"100.0") return u">99.9%";
  return text + u'%';
}

std::u16string SpeedText(std::int32_t bytesPerSecond, double base) {
  std::u16string text;
  AppendInteger(text, base > 0 ? static_cast<std::int64_t>(bytesPerSecond / base) : 0);
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

std::u16string ShareCountText(std::int64_t count, std::int64_t checked, ScanPass pass) {
  std::u16string text;
  AppendInteger(text, count);
  text += u" of ";
  AppendInteger(text, checked);
  text += pass == ScanPass::FilesTest ? u" files checked" : u" sectors checked";
  return text;
}

PassEnd PassEndOf(const SectorScanner& scanner) {
  PassEnd end;
  end.pass = scanner.pass;
  end.progress = scanner.progress;
  if (scanner.pass == ScanPass::SurfaceScan)
    for (const std::uint8_t state : scanner.surfaceState.sectors) end.table.Add(state);
  end.firstUnread = scanner.firstUnread;
  end.microseconds = scanner.passMicroseconds;
  end.hasMedium = scanner.deviceContext != nullptr && scanner.deviceContext->hasMedium;
  end.unlistedFolders = scanner.unlistedFolders;
  return end;
}

std::u16string PassEndText(const PassEnd& end) {
  const ProgressCtx_t& progress = end.progress;
  const bool files = end.pass == ScanPass::FilesTest;
  const bool copy = end.pass == ScanPass::CopyToImage;
  std::u16string unlisted;
  if (files && end.unlistedFolders > 0) {
    AppendInteger(unlisted, end.unlistedFolders);
    unlisted += end.unlistedFolders == 1 ? u" folder not listed" : u" folders not listed";
  }
  std::u16string text = files ? u"Files test " : copy ? u"Copy to image " : u"Surface scan ";
  if (progress.total <= 0) {
    text += files ? u"finished: nothing was tested, " : u"finished: nothing was read, ";
    if (!end.hasMedium)
      text += u"no medium in the drive";
    else if (!unlisted.empty())
      text += unlisted;
    else
      text += files ? u"no files found" : u"the last session has no sectors";
    return text;
  }
  if (progress.current < progress.total) {
    text += u"stopped";
    if (!files && !copy && end.firstUnread >= 0) {
      text += u" at sector ";
      AppendInteger(text, end.firstUnread);
    }
  } else {
    text += u"finished";
  }
  text += u": ";
  // A files test counts its files and a copy its progress; a surface scan
  // its table, skipped sectors and those outside its range among the not
  // checked.
  std::int64_t total = progress.total, good = 0, problem = 0, error = 0, notChecked = 0;
  if (files || copy) {
    problem = progress.problems;
    error = progress.errors;
    good = std::max<std::int64_t>(0, std::int64_t{progress.current} - problem - error);
    notChecked = std::max<std::int64_t>(0, total - progress.current);
  } else {
    const SectorCounts& t = end.table;
    total = t.good + t.problem + t.error + t.notChecked;
    good = t.good;
    problem = t.problem;
    error = t.error;
    notChecked = t.notChecked;
  }
  AppendInteger(text, total);
  text += files ? u" files, " : u" sectors, ";
  AppendInteger(text, good);
  text += copy ? u" copied at the first read, " : u" good, ";
  AppendInteger(text, problem);
  text += copy ? u" copied after retries, " : u" problem, ";
  AppendInteger(text, error);
  text += copy ? u" not copied, " : u" error, ";
  AppendInteger(text, notChecked);
  text += copy ? u" not read, " : u" not checked, ";
  if (!unlisted.empty()) text += unlisted + u", ";
  text += u"in ";
  const std::uint64_t seconds = end.microseconds / 1000000;
  AppendInteger(text, static_cast<std::int64_t>(seconds / 3600));
  for (const std::uint64_t part : {seconds / 60 % 60, seconds % 60}) {
    text += part < 10 ? u":0" : u":";
    AppendInteger(text, static_cast<std::int64_t>(part));
  }
  return text;
}
