// A report of a drive and its disc, to keep, print and share. The answer
// first: a summary of the disc (label, size, image file or drive), the scan's
// verdict in one line, the damaged files and the surface map; then the scan's
// details and log; last, compact, the Device Features and Media pages' rows.
// Written as one self-contained HTML file (styles inline, pictures as
// embedded PNG data, no scripts, no external references) or as JSON with the
// command line's shapes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/history/HistoryRecords.h"
#include "core/report/PropertyRows.h"
#include "core/scan/TimeValue.h"

class DeviceContext;
class SpeedCurve;
struct ScanRecord;

// A picture of the scan, shown under its title with a caption; the surface
// map is one, and a report may hold more.
struct ReportPicture {
  std::u16string title;
  std::u16string caption;
  std::string png;  // the PNG file's bytes
  // The legend under it: one cell picture (PNG) and its text each.
  std::vector<std::pair<std::string, std::u16string>> legend;
};

struct DiscReport {
  std::u16string driveName;  // "D: Virtual Image Drive"
  std::u16string label;      // the disc's volume label; empty for none
  std::int64_t sectors = 0;  // of every session of the disc; 0 without a medium
  // The image a virtual drive holds, or a real drive's device node.
  std::u16string imagePath;
  std::u16string devicePath;
  PropertyGroups drive;  // the groups with rows, as the pages show them
  PropertyGroups medium;
  const ScanRecord* scan = nullptr;  // none when the drive was not scanned
  std::vector<ReportPicture> pictures;
  // The disc's kept scans, when the history was read (set by the caller).
  std::optional<DiscScans> history;
  TimeValue made;
};

// The width in pixels of a picture that fits an A4 page's text.
inline constexpr int kReportPictureWidth = 640;

// The report of context's drive and its last scan (may be null), made now.
DiscReport MakeDiscReport(const DeviceContext& context, const ScanRecord* scan);

// The scan's surface map, with its legend.
ReportPicture SurfaceMapPicture(const std::vector<std::uint8_t>& table);
// The scan's read speed over the disc, with its axes in the caption.
ReportPicture ReadSpeedPicture(const SpeedCurve& curve);

// The problem and error sectors of the surface scans over time.
ReportPicture HistoryChartPicture(const std::vector<HistoryScan>& surfaceScans);

std::string ReportHtml(const DiscReport& report);
// {"drive": [groups], "medium": [groups], "scan": summary or null,
//  "history": {"disc", "scans"} as lumeter-cli history --json, or null}
std::string ReportJson(const DiscReport& report);

// The disc's volume label (Joliet's, else ISO 9660's), trimmed; empty for
// none.
std::u16string DiscLabel(const DeviceContext& context);

// What the report is of: "MY_DISC (photos.iso, D:)", "MY_DISC (D: Vendor
// Model)", or without a label just what is in parentheses.
std::u16string ReportTitle(const DiscReport& report);

// The start of a saved file's name: the volume label of the medium, else the
// drive ("D"), then the date: "MY_DISC-2026-12-10".
std::u16string ReportFileStem(const DeviceContext& context, TimeValue when);
// The disc's name in a file's name: its volume label, else the drive ("D").
std::u16string DiscFileName(const DeviceContext& context);
