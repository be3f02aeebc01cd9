// How the history's discs and scans are named in lists, the command line's
// and the window's alike, and their JSON, for lumeter-cli history and the
// reports.
#pragma once

#include <string>
#include <vector>

#include "core/history/HistoryRecords.h"

// A scan's start in local time, as the log shows times: "10/12/2026 14:03:00".
std::string HistoryTimeText(std::int64_t seconds);

// The drive: "VENDOR MODEL FIRMWARE", or the image's path.
std::string HistoryDriveText(const HistoryDrive& drive);

// The disc on one line: "BACKUP 2019, ISO 9660, created 2019-06-01 10:20:30
// +02:00, 2295104 sectors"; "(no label)" for a disc without one.
std::string HistoryDiscText(const DiscIdentity& disc);

// {"id", "label", "created", "sectors", "file_system", "descriptor_hash"};
// the id null for a disc never recorded.
std::string DiscIdentityJson(const DiscIdentity& disc, std::int64_t id);

// {"id", "time" (UTC, "2026-12-10T13:03:00Z"), "kind", "drive": {"vendor",
// "model", "firmware", "image"}, "options", "duration_ms", "stopped",
// "sectors", "good_sectors", "problem_sectors", "error_sectors",
// "unread_sectors", "files_total", "files_checked", "file_errors",
// "damaged_files"}; in full also "problem_ranges", "error_ranges",
// "unread_ranges", "damaged" [{"path", "structure", "problem_sectors",
// "error_sectors"}], "checksums" [{"path", "algorithm", "expected",
// "actual", "matches"}] and "speed_curve" ({"sectors", "base", "kbps"} or
// null).
std::string HistoryScanJson(const HistoryScan& scan, bool full);

// {"disc": {...}, "scans": [full scans, oldest first]}
std::string DiscScansJson(const DiscScans& scans);

// {"discs": [{disc..., "scans": count, "latest_scan": {...}}]}
std::string HistoryDiscsJson(const std::vector<HistoryDisc>& discs);
