#include "core/verify/VerifyLog.h"

#include "core/report/PropertyRows.h"
#include "core/report/Utf8.h"

namespace {

long long Count(std::int64_t n) { return static_cast<long long>(n); }

// Up to this many ranges of differing sectors, and files that hold them, are
// named in the log.
constexpr std::size_t kRangesShown = 10;
constexpr std::size_t kFilesShown = 10;

}  // namespace

LogEntries ChecksumEntries(const ChecksumReport& report) {
  LogEntries entries;
  for (const std::string& note : report.notes)
    entries.emplace_back(LogKind::Error, u"Checksum list " + FromUtf8(note));
  if (report.lists.empty()) return entries;
  if (report.malformedLines != 0 || report.refusedPaths != 0 || report.selfNamed != 0)
    entries.emplace_back(
        LogKind::Info,
        FormatText("Checksum lists: %lld malformed lines skipped, %lld paths refused (\"..\" or "
                   "absolute), %lld entries naming their own list",
                   Count(report.malformedLines), Count(report.refusedPaths),
                   Count(report.selfNamed)));
  std::u16string lists;
  for (const std::string& list : report.lists)
    lists += (lists.empty() ? u"" : u", ") + FromUtf8(list);
  const bool clean = report.differ.empty() && report.missing.empty() && report.unreadable.empty();
  entries.emplace_back(
      clean ? LogKind::Info : LogKind::Error,
      FormatText("Checksums: %lld matched, %lld differ, %lld missing, %lld unreadable (",
                 Count(report.matched), Count(static_cast<std::int64_t>(report.differ.size())),
                 Count(static_cast<std::int64_t>(report.missing.size())),
                 Count(static_cast<std::int64_t>(report.unreadable.size()))) +
          lists + u")");
  return entries;
}

LogEntries Md5FileEntries(const Md5TagResults& md5) {
  const auto differ = static_cast<std::int64_t>(md5.filesDiffer.size());
  if (md5.filesMatched == 0 && differ == 0) return {};
  return {{differ == 0 ? LogKind::Info : LogKind::Error,
           FormatText("MD5 tags: %lld files matched, %lld differ", Count(md5.filesMatched),
                      Count(differ))}};
}

LogEntries SessionEntries(CheckOutcome implanted, CheckOutcome session) {
  LogEntries entries;
  for (const auto& [what, outcome] : {std::pair{std::u16string(u"Implanted MD5: "), implanted},
                                      std::pair{std::u16string(u"MD5 tags: session "), session}}) {
    if (outcome == CheckOutcome::None) continue;
    entries.emplace_back(outcome == CheckOutcome::Differs ? LogKind::Error : LogKind::Info,
                         what + FromUtf8(OutcomeWords(outcome)));
  }
  return entries;
}

std::u16string CompareStartText(const CompareResults& compare) {
  return u"Comparing with " + FromUtf8(compare.image) +
         FormatText(" (%llu sectors; the session has %llu)",
                    static_cast<unsigned long long>(compare.imageSectors),
                    static_cast<unsigned long long>(compare.sessionSectors));
}

LogEntries CompareEntries(const CompareResults& compare, const std::vector<std::uint8_t>& table) {
  std::int64_t differ = 0;
  std::int64_t unreadable = 0;
  std::u16string ranges;
  std::size_t shown = 0;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const auto state = static_cast<SectorState>(table[i]);
    if (state == SectorState::Error) ++unreadable;
    if (state != SectorState::Differs) continue;
    ++differ;
    if (i > 0 && static_cast<SectorState>(table[i - 1]) == SectorState::Differs) continue;
    std::size_t last = i;
    while (last + 1 < table.size() &&
           static_cast<SectorState>(table[last + 1]) == SectorState::Differs)
      ++last;
    if (shown++ < kRangesShown)
      ranges += (ranges.empty() ? u"" : u", ") +
                (last == i ? FormatText("%zu", i) : FormatText("%zu-%zu", i, last));
  }
  if (shown > kRangesShown) ranges += u", ...";
  LogEntries entries;
  if (!compare.imageError.empty())
    entries.emplace_back(LogKind::Error, u"Image: " + FromUtf8(compare.imageError));
  if (compare.ImageBeyondSession() > 0)
    entries.emplace_back(
        LogKind::Error,
        FormatText("The image is longer than the session: %llu of its sectors are not on the disc",
                   static_cast<unsigned long long>(compare.ImageBeyondSession())));
  if (differ > 0) entries.emplace_back(LogKind::Error, u"Sectors that differ: " + ranges);
  entries.emplace_back(
      differ == 0 && unreadable == 0 && compare.ImageBeyondSession() == 0 ? LogKind::Info
                                                                          : LogKind::Error,
      FormatText("Compared with the image: %lld sectors differ, %lld unreadable on the disc, "
                 "%lld of zeros past the image's end",
                 Count(differ), Count(unreadable), Count(compare.paddingSectors)));
  return entries;
}

std::u16string FilesDifferText(const DamageIndex& index) {
  std::u16string names;
  std::size_t count = 0;
  for (const DamagedEntry& file : index.DamagedFiles()) {
    if (file.differSectors == 0) continue;
    if (count++ < kFilesShown) names += (names.empty() ? u"" : u", ") + file.name;
  }
  if (count == 0) return {};
  if (count > kFilesShown)
    names += FormatText(" and %llu more", static_cast<unsigned long long>(count - kFilesShown));
  return u"Files that differ: " + names;
}
