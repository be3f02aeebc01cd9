#include "core/report/ScanSummary.h"

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

void AppendStrings(std::string& out, const std::vector<std::u16string>& texts) {
  out += "[";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i != 0) out += ", ";
    AppendJsonString(out, texts[i]);
  }
  out += "]";
}

std::string DamagedFilesJson(const std::vector<DamagedEntry>& files) {
  std::string out = "[";
  for (std::size_t i = 0; i < files.size(); ++i) {
    out += i == 0 ? "\n  {\"path\": " : ",\n  {\"path\": ";
    AppendJsonString(out, files[i].name);
    out += ", \"problem_sectors\": " + std::to_string(files[i].problemSectors) +
           ", \"error_sectors\": " + std::to_string(files[i].errorSectors) +
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
  if (counts)
    out += " " + std::to_string(entry.problemSectors) + " problem, " +
           std::to_string(entry.errorSectors) + " error,";
  return out + " sectors " + SectorRangesText(entry.ranges) + "\n";
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
  }
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

namespace {

// "1 file", "3 files".
std::string Counted(std::int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

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
  out += "}\n";
  return out;
}

std::string ScanSummaryText(const ScanResult& result) {
  const SurfaceCounts& s = result.surface;
  std::string out;
  if (result.surfaceScan) {
    out += "Surface scan: " + std::to_string(s.total) + " sectors, " + std::to_string(s.good) +
           " good, " + std::to_string(s.problems) + " problem, " + std::to_string(s.errors) +
           " error, " + std::to_string(s.unread) + " not read\n";
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
  if (result.stopped) out += "Stopped before the end.\n";
  if (result.inProgress) out += "In progress: the counts so far.\n";
  return out;
}
