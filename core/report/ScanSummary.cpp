#include "core/report/ScanSummary.h"

#include "core/report/CountedText.h"
#include "core/report/Json.h"
#include "core/report/Utf8.h"
#include "core/scan/ScanRecord.h"

namespace {

constexpr std::u16string_view kFileErrorPrefix = u"File error: ";

void Extend(std::vector<SectorRange>& ranges, std::uint64_t sector) {
  if (!ranges.empty() && ranges.back().last + 1 == sector) {
    ranges.back().last = sector;
  } else {
    ranges.push_back({sector, sector});
  }
}

}  // namespace

std::string SectorRangesJson(const std::vector<SectorRange>& ranges) {
  std::string out = "[";
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    if (i != 0) out += ", ";
    out += "[" + std::to_string(ranges[i].first) + ", " + std::to_string(ranges[i].last) + "]";
  }
  return out + "]";
}

std::string SectorRangesText(const std::vector<SectorRange>& ranges) {
  std::string out;
  for (const SectorRange& range : ranges) {
    if (!out.empty()) out += ", ";
    out += std::to_string(range.first);
    if (range.last != range.first) out += "-" + std::to_string(range.last);
  }
  return out;
}

namespace {

// A JSON array of texts: UTF-16, or UTF-8 (paths as the checks keep them).
template <typename Text>
void AppendStrings(std::string& out, const std::vector<Text>& texts) {
  out += "[";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i != 0) out += ", ";
    AppendJsonString(out, texts[i]);
  }
  out += "]";
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string ChecksumsJson(const ChecksumReport& report) {
  std::string out = "{\"lists\": ";
  AppendStrings(out, report.lists);
  out += ", \"matched\": " + std::to_string(report.matched) + ", \"differ\": ";
  AppendStrings(out, report.differ);
  out += ", \"missing\": ";
  AppendStrings(out, report.missing);
  out += ", \"unreadable\": ";
  AppendStrings(out, report.unreadable);
  out += ", \"malformed_lines\": " + std::to_string(report.malformedLines) +
         ", \"refused_paths\": " + std::to_string(report.refusedPaths) +
         ", \"self_named\": " + std::to_string(report.selfNamed) + ", \"notes\": ";
  AppendStrings(out, report.notes);
  return out + "}";
}

std::string Md5TagsJson(const Md5TagResults& md5) {
  std::string out = "{\"session\": " + Quoted(OutcomeName(md5.session)) +
                    ", \"files_matched\": " + std::to_string(md5.filesMatched) +
                    ", \"files_differ\": ";
  AppendStrings(out, md5.filesDiffer);
  return out + "}";
}

std::string CompareJson(const ScanResult& result) {
  const CompareResults& compare = result.verify.compare;
  if (!compare.ran) return "null";
  std::string out = "{\"image\": ";
  AppendJsonString(out, compare.image);
  out += ", \"image_sectors\": " + std::to_string(compare.imageSectors) +
         ", \"session_sectors\": " + std::to_string(compare.sessionSectors) +
         ", \"differs\": " + SectorRangesJson(result.surface.differRanges) + ", \"files_differ\": ";
  AppendStrings(out, result.filesDiffer);
  out += ", \"padding_sectors\": " + std::to_string(compare.paddingSectors) +
         ", \"beyond_image\": " + std::to_string(compare.beyondImage) +
         ", \"unreadable_sectors\": " + std::to_string(result.surface.errors) +
         ", \"image_sectors_not_on_disc\": " + std::to_string(compare.ImageBeyondSession()) +
         ", \"image_error\": ";
  AppendJsonString(out, compare.imageError);
  return out + "}";
}

std::string DamagedFilesJson(const std::vector<DamagedEntry>& files) {
  std::string out = "[";
  for (std::size_t i = 0; i < files.size(); ++i) {
    out += i == 0 ? "\n  {\"path\": " : ",\n  {\"path\": ";
    AppendJsonString(out, files[i].name);
    out += ", \"problem_sectors\": " + std::to_string(files[i].problemSectors) +
           ", \"error_sectors\": " + std::to_string(files[i].errorSectors) +
           ", \"differ_sectors\": " + std::to_string(files[i].differSectors) +
           ", \"ranges\": " + SectorRangesJson(files[i].ranges) + "}";
  }
  return out + "]";
}

std::string DamagedStructuresJson(const std::vector<DamagedEntry>& structures) {
  std::string out = "[";
  for (std::size_t i = 0; i < structures.size(); ++i) {
    out += i == 0 ? "\n  {\"name\": " : ",\n  {\"name\": ";
    AppendJsonString(out, structures[i].name);
    out += ", \"ranges\": " + SectorRangesJson(structures[i].ranges) + "}";
  }
  return out + "]";
}

// "  PATH: 2 problem, 1 error, sectors 10-11, 20"; a structure without counts.
std::string DamagedText(const DamagedEntry& entry, bool counts) {
  std::string out = "  " + WithControlsEscaped(entry.name) + ":";
  if (counts) {
    out += " " + std::to_string(entry.problemSectors) + " problem, " +
           std::to_string(entry.errorSectors) + " error,";
    if (entry.differSectors != 0) out += " " + std::to_string(entry.differSectors) + " differ,";
  }
  return out + " sectors " + SectorRangesText(entry.ranges) + "\n";
}

void AppendPaths(std::string& out, const char* caption, const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  out += caption;
  for (const std::string& path : paths) out += "  " + WithControlsEscaped(path) + "\n";
}

// The checks of the content, as lines: only what the disc records or the
// scan compared with.
std::string VerifyText(const ScanResult& result) {
  const VerifyResults& verify = result.verify;
  std::string out;
  const ChecksumReport& sums = verify.checksums;
  if (!sums.lists.empty()) {
    std::string lists;
    for (const std::string& list : sums.lists)
      lists += (lists.empty() ? "" : ", ") + WithControlsEscaped(list);
    out += "Checksums: " + std::to_string(sums.matched) + " matched, " +
           std::to_string(sums.differ.size()) + " differ, " + std::to_string(sums.missing.size()) +
           " missing, " + std::to_string(sums.unreadable.size()) + " unreadable (" + lists + ")\n";
    if (sums.malformedLines + sums.refusedPaths + sums.selfNamed != 0)
      out += "Checksum list lines left out: " + std::to_string(sums.malformedLines) +
             " malformed, " + std::to_string(sums.refusedPaths) + " with a path refused, " +
             std::to_string(sums.selfNamed) + " naming their own list\n";
    AppendPaths(out, "Files that differ from their checksums:\n", sums.differ);
    AppendPaths(out, "Listed files missing from the disc:\n", sums.missing);
    AppendPaths(out, "Listed files that could not be read:\n", sums.unreadable);
  }
  for (const std::string& note : sums.notes)
    out += "Checksum list " + WithControlsEscaped(note) + "\n";
  const Md5TagResults& md5 = verify.md5Tags;
  if (md5.session != CheckOutcome::None || md5.filesMatched != 0 || !md5.filesDiffer.empty())
    out += "MD5 tags: session " + std::string(OutcomeWords(md5.session)) + ", " +
           std::to_string(md5.filesMatched) + " files matched, " +
           std::to_string(md5.filesDiffer.size()) + " differ\n";
  AppendPaths(out, "Files that differ from their MD5 tags:\n", md5.filesDiffer);
  if (verify.implantedMd5 != CheckOutcome::None)
    out += "Implanted MD5: " + std::string(OutcomeWords(verify.implantedMd5)) + "\n";
  const CompareResults& compare = verify.compare;
  if (compare.ran) {
    out += "Compared with " + WithControlsEscaped(compare.image) + ": " +
           std::to_string(result.surface.differs) + " sectors differ, " +
           std::to_string(result.surface.errors) + " unreadable on the disc, " +
           std::to_string(compare.paddingSectors) + " of zeros past the image's end\n";
    if (!result.surface.differRanges.empty())
      out += "Differing sectors: " + SectorRangesText(result.surface.differRanges) + "\n";
    if (compare.ImageBeyondSession() > 0)
      out +=
          "The image is longer than the session: " + std::to_string(compare.ImageBeyondSession()) +
          " of its sectors are not on the disc\n";
    if (!compare.imageError.empty())
      out += "Image: " + WithControlsEscaped(compare.imageError) + "\n";
    if (!result.filesDiffer.empty()) {
      out += "Files that differ:\n";
      for (const std::u16string& file : result.filesDiffer)
        out += "  " + WithControlsEscaped(file) + "\n";
    }
  }
  return out;
}

}  // namespace

SurfaceCounts CountSurface(const std::vector<std::uint8_t>& sectors) {
  SurfaceCounts counts;
  counts.total = static_cast<std::int64_t>(sectors.size());
  for (std::size_t i = 0; i < sectors.size(); ++i) {
    switch (static_cast<SectorState>(sectors[i])) {
      case SectorState::Good:
        ++counts.good;
        break;
      case SectorState::Problem:
        ++counts.problems;
        Extend(counts.problemRanges, i);
        break;
      case SectorState::Error:
        ++counts.errors;
        Extend(counts.errorRanges, i);
        break;
      case SectorState::Differs:
        ++counts.differs;
        Extend(counts.differRanges, i);
        break;
      default:
        ++counts.unread;
        Extend(counts.unreadRanges, i);
    }
  }
  return counts;
}

ScanResult SummaryOf(const ScanRecord& record) {
  ScanResult result;
  result.surfaceScan = record.surfaceScan;
  result.filesTest = record.filesTest;
  result.inProgress = !record.ended;
  result.stopped = record.ended && record.Stopped();
  if (record.surfaceScan) result.surface = CountSurface(record.sectors);
  if (record.damage != nullptr) {
    result.damagedFiles = record.damage->DamagedFiles();
    result.damagedStructures = record.damage->DamagedStructures();
    for (const DamagedEntry& file : result.damagedFiles)
      if (file.differSectors != 0) result.filesDiffer.push_back(file.name);
  }
  result.verify = record.verify;
  if (record.filesPass.ran) {
    result.filesTotal = record.filesPass.progress.total;
    result.filesChecked = record.filesPass.progress.current;
  }
  // The files test logs each file that failed, and each part of the file
  // system it could not list, as an error entry of its own.
  const std::u16string_view fileSystemError = SectorScanner::kFileSystemError;
  for (const ScanLogEntry& entry : record.log) {
    if (entry.kind != LogKind::Error) continue;
    const std::u16string_view text = entry.text;
    if (text.starts_with(fileSystemError))
      result.fileSystemErrors.emplace_back(text.substr(fileSystemError.size()));
    else if (text.starts_with(kFileErrorPrefix))
      result.fileErrorPaths.emplace_back(text.substr(kFileErrorPrefix.size()));
  }
  return result;
}

std::string ScanVerdict(const ScanResult& result) {
  std::vector<std::string> parts;
  const SurfaceCounts& s = result.surface;
  if (s.problems > 0 && s.errors > 0)
    parts.push_back(std::to_string(s.problems) + " problem and " + std::to_string(s.errors) +
                    " error sectors");
  else if (s.problems > 0)
    parts.push_back(Counted(s.problems, "problem sector", "problem sectors"));
  else if (s.errors > 0)
    parts.push_back(Counted(s.errors, "error sector", "error sectors"));
  if (!result.damagedFiles.empty())
    parts.push_back(Counted(static_cast<std::int64_t>(result.damagedFiles.size()), "file damaged",
                            "files damaged"));
  if (!result.damagedStructures.empty())
    parts.push_back(Counted(static_cast<std::int64_t>(result.damagedStructures.size()),
                            "file-system structure damaged", "file-system structures damaged"));
  if (!result.fileErrorPaths.empty())
    parts.push_back(Counted(static_cast<std::int64_t>(result.fileErrorPaths.size()),
                            "file could not be read", "files could not be read"));
  if (s.differs > 0)
    parts.push_back(
        Counted(s.differs, "sector differs from the image", "sectors differ from the image"));
  if (result.verify.AnyDifference()) parts.push_back("verification found differences");
  if (!result.fileSystemErrors.empty())
    parts.push_back(Counted(static_cast<std::int64_t>(result.fileSystemErrors.size()),
                            "part of the file system could not be listed",
                            "parts of the file system could not be listed"));
  std::string verdict;
  for (const std::string& part : parts) verdict += (verdict.empty() ? "" : "; ") + part;
  if (result.inProgress)
    return "In progress: " + (verdict.empty() ? "no errors" : verdict) + " so far";
  if (verdict.empty()) verdict = "No errors";
  if (result.stopped) verdict += "; stopped before the end";
  return verdict;
}

bool FoundDifference(const ScanResult& result) {
  return result.surface.differs != 0 || result.verify.AnyDifference();
}

bool ReadEverything(const ScanResult& result) {
  // A pass that was not stopped read every sector of its range (a retry:
  // every one not kept Good), or skipped some after an error; the sectors
  // outside the range stay not read by choice.
  return !result.stopped && !result.inProgress && result.surface.problems == 0 &&
         result.surface.errors == 0 && result.fileErrorPaths.empty() &&
         result.fileSystemErrors.empty() && result.filesChecked == result.filesTotal;
}

std::string ScanSummaryJson(const ScanResult& result) {
  const SurfaceCounts& s = result.surface;
  std::string out = "{";
  out += "\"surface_scan\": " + std::string(result.surfaceScan ? "true" : "false");
  out += ", \"files_test\": " + std::string(result.filesTest ? "true" : "false");
  out += ", \"stopped\": " + std::string(result.stopped ? "true" : "false");
  out += ", \"in_progress\": " + std::string(result.inProgress ? "true" : "false");
  out += ",\n \"total\": " + std::to_string(s.total);
  out += ", \"good\": " + std::to_string(s.good);
  out += ", \"problems\": " + std::to_string(s.problems);
  out += ", \"errors\": " + std::to_string(s.errors);
  out += ", \"unread\": " + std::to_string(s.unread);
  out += ", \"not_read\": " + std::to_string(s.unread);
  out += ", \"differs\": " + std::to_string(s.differs);
  out += ",\n \"problem_ranges\": " + SectorRangesJson(s.problemRanges);
  out += ",\n \"error_ranges\": " + SectorRangesJson(s.errorRanges);
  out += ",\n \"damaged_files\": " + DamagedFilesJson(result.damagedFiles);
  out += ",\n \"damaged_structures\": " + DamagedStructuresJson(result.damagedStructures);
  out += ",\n \"files_total\": " + std::to_string(result.filesTotal);
  out += ", \"files_checked\": " + std::to_string(result.filesChecked);
  out += ", \"file_errors\": " + std::to_string(result.fileErrorPaths.size());
  out += ",\n \"file_error_paths\": ";
  AppendStrings(out, result.fileErrorPaths);
  out += ",\n \"file_system_errors\": ";
  AppendStrings(out, result.fileSystemErrors);
  out += ",\n \"checksums\": " + ChecksumsJson(result.verify.checksums);
  out += ",\n \"md5_tags\": " + Md5TagsJson(result.verify.md5Tags);
  out += ",\n \"implanted_md5\": " + Quoted(OutcomeName(result.verify.implantedMd5));
  out += ",\n \"compare\": " + CompareJson(result);
  out += "}\n";
  return out;
}

std::string ScanSummaryText(const ScanResult& result) {
  const SurfaceCounts& s = result.surface;
  std::string out;
  if (result.surfaceScan) {
    out += "Surface scan: " + std::to_string(s.total) + " sectors, " + std::to_string(s.good) +
           " good, " + std::to_string(s.problems) + " problem, " + std::to_string(s.errors) +
           " error, " + std::to_string(s.unread) + " not read" +
           (s.differs != 0 ? ", " + std::to_string(s.differs) + " differ" : std::string()) + "\n";
    if (!s.problemRanges.empty())
      out += "Problem sectors: " + SectorRangesText(s.problemRanges) + "\n";
    if (!s.errorRanges.empty()) out += "Error sectors: " + SectorRangesText(s.errorRanges) + "\n";
    if (!result.damagedFiles.empty()) out += "Damaged files:\n";
    for (const DamagedEntry& file : result.damagedFiles) out += DamagedText(file, true);
    if (!result.damagedStructures.empty()) out += "Damaged file-system structures:\n";
    for (const DamagedEntry& structure : result.damagedStructures)
      out += DamagedText(structure, false);
  }
  if (result.filesTest) {
    out += "Files test: " + std::to_string(result.filesTotal) + " files, " +
           std::to_string(result.filesChecked) + " checked, " +
           std::to_string(result.fileErrorPaths.size()) + " with errors\n";
    if (!result.fileErrorPaths.empty()) out += "Files with errors:\n";
    for (const std::u16string& path : result.fileErrorPaths)
      out += "  " + WithControlsEscaped(path) + "\n";
    if (!result.fileSystemErrors.empty()) out += "File system errors:\n";
    for (const std::u16string& what : result.fileSystemErrors)
      out += "  " + WithControlsEscaped(what) + "\n";
  }
  out += VerifyText(result);
  if (result.stopped) out += "Stopped before the end.\n";
  if (result.inProgress) out += "In progress: the counts so far.\n";
  return out;
}
