#include "cli/ScanResult.h"

#include "cli/Json.h"
#include "cli/Output.h"
#include "cli/Utf8.h"
#include "core/scan/ISectorScannerCallback.h"

namespace {

void Extend(std::vector<SectorRange>& ranges, std::int64_t sector) {
  if (!ranges.empty() && ranges.back().last + 1 == sector) {
    ranges.back().last = sector;
  } else {
    ranges.push_back({sector, sector});
  }
}

std::string RangesJson(const std::vector<SectorRange>& ranges) {
  std::string out = "[";
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    if (i != 0) out += ", ";
    out += "[" + std::to_string(ranges[i].first) + ", " + std::to_string(ranges[i].last) + "]";
  }
  return out + "]";
}

std::string RangesText(const std::vector<SectorRange>& ranges) {
  std::string out;
  for (const SectorRange& range : ranges) {
    if (!out.empty()) out += ", ";
    out += std::to_string(range.first);
    if (range.last != range.first) out += "-" + std::to_string(range.last);
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
        Extend(counts.problemRanges, static_cast<std::int64_t>(i));
        break;
      case SectorState::Error:
        ++counts.errors;
        Extend(counts.errorRanges, static_cast<std::int64_t>(i));
        break;
      default:
        ++counts.unread;
    }
  }
  return counts;
}

int ScanExitStatus(const ScanResult& result) {
  const bool clean = !result.stopped && result.surface.problems == 0 &&
                     result.surface.errors == 0 && result.surface.unread == 0 &&
                     result.fileErrorPaths.empty() && result.fileSystemErrors.empty() &&
                     result.filesChecked == result.filesTotal;
  return clean ? kExitSuccess : kExitFound;
}

std::string ScanSummaryJson(const ScanResult& result) {
  const SurfaceCounts& s = result.surface;
  std::string out = "{";
  out += "\"surface_scan\": " + std::string(result.surfaceScan ? "true" : "false");
  out += ", \"files_test\": " + std::string(result.filesTest ? "true" : "false");
  out += ", \"stopped\": " + std::string(result.stopped ? "true" : "false");
  out += ",\n \"total\": " + std::to_string(s.total);
  out += ", \"good\": " + std::to_string(s.good);
  out += ", \"problems\": " + std::to_string(s.problems);
  out += ", \"errors\": " + std::to_string(s.errors);
  out += ", \"unread\": " + std::to_string(s.unread);
  out += ", \"not_read\": " + std::to_string(s.unread);
  out += ",\n \"problem_ranges\": " + RangesJson(s.problemRanges);
  out += ",\n \"error_ranges\": " + RangesJson(s.errorRanges);
  out += ",\n \"files_total\": " + std::to_string(result.filesTotal);
  out += ", \"files_checked\": " + std::to_string(result.filesChecked);
  out += ", \"file_errors\": " + std::to_string(result.fileErrorPaths.size());
  out += ",\n \"file_error_paths\": [";
  for (std::size_t i = 0; i < result.fileErrorPaths.size(); ++i) {
    if (i != 0) out += ", ";
    AppendJsonString(out, result.fileErrorPaths[i]);
  }
  out += "],\n \"file_system_errors\": [";
  for (std::size_t i = 0; i < result.fileSystemErrors.size(); ++i) {
    if (i != 0) out += ", ";
    AppendJsonString(out, result.fileSystemErrors[i]);
  }
  out += "]}\n";
  return out;
}

std::string ScanSummaryText(const ScanResult& result) {
  const SurfaceCounts& s = result.surface;
  std::string out;
  if (result.surfaceScan) {
    out += "Surface scan: " + std::to_string(s.total) + " sectors, " + std::to_string(s.good) +
           " good, " + std::to_string(s.problems) + " problem, " + std::to_string(s.errors) +
           " error, " + std::to_string(s.unread) + " not read\n";
    if (!s.problemRanges.empty()) out += "Problem sectors: " + RangesText(s.problemRanges) + "\n";
    if (!s.errorRanges.empty()) out += "Error sectors: " + RangesText(s.errorRanges) + "\n";
  }
  if (result.filesTest) {
    out += "Files test: " + std::to_string(result.filesTotal) + " files, " +
           std::to_string(result.filesChecked) + " checked, " +
           std::to_string(result.fileErrorPaths.size()) + " with errors\n";
    if (!result.fileErrorPaths.empty()) out += "Files with errors:\n";
    for (const std::u16string& path : result.fileErrorPaths) out += "  " + ToUtf8(path) + "\n";
    if (!result.fileSystemErrors.empty()) out += "File system errors:\n";
    for (const std::u16string& what : result.fileSystemErrors) out += "  " + ToUtf8(what) + "\n";
  }
  if (result.stopped) out += "Stopped before the end.\n";
  return out;
}
