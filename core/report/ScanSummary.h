// What a scan found, gathered for its summary: the sector states of the
// surface scan as counts and ranges, the files and structures they hit, and
// the outcome of the files test. The command line prints the summary, and a
// report holds the same.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/damage/DamageIndex.h"
#include "core/damage/SectorRange.h"

struct ScanRecord;

struct SurfaceCounts {
  std::int64_t total = 0;
  std::int64_t good = 0;
  std::int64_t problems = 0;
  std::int64_t errors = 0;
  std::int64_t unread = 0;  // NotChecked: the scan stopped before them
  // Numbered within the session.
  std::vector<SectorRange> problemRanges;
  std::vector<SectorRange> errorRanges;
  std::vector<SectorRange> unreadRanges;
};

// Counts the table of sector states (SectorState codes) and joins adjacent
// sectors of one state into ranges.
SurfaceCounts CountSurface(const std::vector<std::uint8_t>& sectors);

struct ScanResult {
  bool surfaceScan = false;
  bool filesTest = false;
  bool stopped = false;  // a pass ended before its end: stopped by the user or the medium went
  // The scan had not ended when the summary was made: its counts are those
  // so far.
  bool inProgress = false;
  SurfaceCounts surface;
  // The files and structures on problem and error sectors, in the order the
  // file system lists them; empty when unknown.
  std::vector<DamagedEntry> damagedFiles;
  std::vector<DamagedEntry> damagedStructures;
  std::int32_t filesTotal = 0;    // files in the list
  std::int32_t filesChecked = 0;  // files verified before the end or the stop
  std::vector<std::u16string> fileErrorPaths;
  // What the files test could not list, so that files went untested.
  std::vector<std::u16string> fileSystemErrors;
};

// The summary of a kept scan: the counts of its table, its damage index's
// files and structures when it has one, and the files test's outcome from its
// last progress and its log.
ScanResult SummaryOf(const ScanRecord& record);

// True when every sector the surface scan chose to read and every file read,
// and no pass was stopped before its end. Sectors outside the scan's range
// were not to be read: their not being read is no failure.
bool ReadEverything(const ScanResult& result);

// What the scan found, in one line: "60 problem and 100 error sectors; 4
// files damaged", "1 file could not be read", or "No errors"; a scan still
// running says "In progress: ... so far", a stopped one adds "; stopped
// before the end".
std::string ScanVerdict(const ScanResult& result);

// Sector ranges as JSON ("[[10, 11], [20, 20]]") and as text ("10-11, 20").
std::string SectorRangesJson(const std::vector<SectorRange>& ranges);
std::string SectorRangesText(const std::vector<SectorRange>& ranges);

// The summary as one JSON object, and as lines of text.
std::string ScanSummaryJson(const ScanResult& result);
std::string ScanSummaryText(const ScanResult& result);
