// What a scan found, gathered for its summary: the sector states of the
// surface scan as counts and ranges, and the outcome of the files test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Sectors first to last, inclusive, numbered within the session.
struct SectorRange {
  std::int64_t first = 0;
  std::int64_t last = 0;
  bool operator==(const SectorRange&) const = default;
};

struct SurfaceCounts {
  std::int64_t total = 0;
  std::int64_t good = 0;
  std::int64_t problems = 0;
  std::int64_t errors = 0;
  std::int64_t unread = 0;  // NotChecked: the scan stopped before them
  std::vector<SectorRange> problemRanges;
  std::vector<SectorRange> errorRanges;
};

// Counts the table of sector states (SectorState codes) and joins adjacent
// sectors of one state into ranges.
SurfaceCounts CountSurface(const std::vector<std::uint8_t>& sectors);

struct ScanResult {
  bool surfaceScan = false;
  bool filesTest = false;
  bool stopped = false;  // stopped before the end: by the user or because the medium went
  SurfaceCounts surface;
  std::int32_t filesTotal = 0;    // files in the list
  std::int32_t filesChecked = 0;  // files verified before the end or the stop
  std::vector<std::u16string> fileErrorPaths;
  // What the files test could not list, so that files went untested.
  std::vector<std::u16string> fileSystemErrors;
};

// Status 0 when every sector and file read, 1 when any did not or the scan
// was stopped before its end.
int ScanExitStatus(const ScanResult& result);

// The summary as one JSON object, and as lines of text.
std::string ScanSummaryJson(const ScanResult& result);
std::string ScanSummaryText(const ScanResult& result);
