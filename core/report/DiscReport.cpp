#include "core/report/DiscReport.h"

#include <algorithm>

#include "core/disc/DeviceContext.h"
#include "core/disc/DeviceList.h"
#include "core/format/SurfaceCells.h"
#include "core/history/HistoryChart.h"
#include "core/history/HistoryTexts.h"
#include "core/product/ProductInfo.h"
#include "core/report/Base64.h"
#include "core/report/DeviceFeaturesRows.h"
#include "core/report/EscapedText.h"
#include "core/report/MediaRows.h"
#include "core/report/ScanLogText.h"
#include "core/report/ScanProgressText.h"
#include "core/report/ScanSummary.h"
#include "core/report/SpeedCurvePicture.h"
#include "core/report/SurfacePicture.h"
#include "core/report/Utf8.h"
#include "core/scan/ScanRecord.h"

namespace {

// Rows of cells at most; at 9 pixels a row the map stays under a page.
constexpr int kMapMaxRows = 80;

// utf8 as HTML text: its control characters escaped as in all text output
// (EscapedText.h), then the characters HTML gives a meaning.
std::string Escaped(std::string_view text) {
  const std::string utf8 = WithControlsEscaped(text);
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string Escaped(std::u16string_view text) { return Escaped(ToUtf8(text)); }

std::string Row(const std::string& label, const std::string& valueHtml) {
  return "<tr><th scope=\"row\">" + Escaped(label) + "</th><td>" + valueHtml + "</td></tr>\n";
}

std::string GroupsHtml(const PropertyGroups& groups) {
  std::string out;
  for (const PropertyGroup& group : groups) {
    out += "<h3>" + Escaped(group.title) + "</h3>\n<table class=\"rows\">\n";
    for (const PropertyRow& row : group.rows)
      out += "<tr><th scope=\"row\">" + Escaped(row.label) + "</th><td>" + Escaped(row.value) +
             "</td></tr>\n";
    out += "</table>\n";
  }
  return out;
}

std::string RangesHtml(const std::vector<SectorRange>& ranges) {
  if (ranges.empty()) return "none";
  std::string out;
  for (const SectorRange& range : ranges) {
    if (!out.empty()) out += ", ";
    out += std::to_string(range.first);
    if (range.last != range.first) out += "&ndash;" + std::to_string(range.last);
  }
  return out;
}

// "676.4 MB (346300 sectors)", in mebibytes as the Sector Viewer's session
// list gives them.
std::string FormatDiscSize(std::int64_t sectors) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f MB (%lld sectors)",
                static_cast<double>(sectors) * 2048.0 / 1048576.0, static_cast<long long>(sectors));
  return text;
}

std::string Duration(std::int64_t seconds) {
  seconds = std::max<std::int64_t>(0, seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

// A count with its share of the sectors checked, as the Scan tab's
// indicators show it: "12 (0.4%)".
std::string CountWithShare(std::int64_t count, std::int64_t checked) {
  return std::to_string(count) + " (" + ToUtf8(ShareText(count, checked)) + ")";
}

// The scan's counts and ranges, each count with its share of the sectors
// checked.
std::string SurfaceHtml(const ScanRecord& scan, const ScanResult& summary) {
  const SurfaceCounts& s = summary.surface;
  const std::int64_t checked = s.good + s.problems + s.errors;
  std::string out = std::string("<h3>") + (scan.copyToImage ? "Copy to image" : "Surface scan") +
                    "</h3>\n<table class=\"rows\">\n";
  out += Row("Sectors", std::to_string(s.total));
  out += Row("Good", CountWithShare(s.good, checked));
  out += Row("Problem", CountWithShare(s.problems, checked));
  out += Row("Error", CountWithShare(s.errors, checked));
  out += Row("Not checked", std::to_string(s.unread));
  const std::uint64_t microseconds = scan.surfacePass.microseconds;
  if (microseconds > 0 && checked > 0)
    out += Row("Average speed",
               Escaped(SpeedText(static_cast<std::int32_t>(std::min<double>(
                                     2147483647.0, static_cast<double>(checked) * 2048.0 * 1e6 /
                                                       static_cast<double>(microseconds))),
                                 scan.speedCurve.Base())));
  out += Row("Problem sectors", RangesHtml(s.problemRanges));
  out += Row("Error sectors", RangesHtml(s.errorRanges));
  out += "</table>\n";
  if (!summary.damagedStructures.empty()) {
    out +=
        "<h3>Damaged file-system structures</h3>\n<table class=\"list\">\n"
        "<tr><th>Structure</th><th>Sectors</th></tr>\n";
    for (const DamagedEntry& structure : summary.damagedStructures)
      out += "<tr><td>" + Escaped(structure.name) + "</td><td>" + RangesHtml(structure.ranges) +
             "</td></tr>\n";
    out += "</table>\n";
  }
  return out;
}

// The damaged files, for the summary: each with its problem and error sectors.
std::string DamagedFilesHtml(const ScanRecord& scan, const ScanResult& summary) {
  if (!scan.surfaceScan) return {};
  std::string out = "<h3>Damaged files</h3>\n";
  if (scan.damage == nullptr)
    return out + "<p>Not known yet: they are worked out once the scan has ended.</p>\n";
  if (summary.damagedFiles.empty())
    return out + "<p>No file lies on a problem or error sector.</p>\n";
  out +=
      "<table class=\"list\">\n<tr><th>File</th><th class=\"n\">Problem sectors</th>"
      "<th class=\"n\">Error sectors</th><th>Sectors</th></tr>\n";
  for (const DamagedEntry& file : summary.damagedFiles)
    out += "<tr><td class=\"path\">" + Escaped(file.name) + "</td><td class=\"n\">" +
           std::to_string(file.problemSectors) + "</td><td class=\"n\">" +
           std::to_string(file.errorSectors) + "</td><td>" + RangesHtml(file.ranges) +
           "</td></tr>\n";
  return out + "</table>\n";
}

std::string FilesHtml(const ScanResult& summary) {
  std::string out = "<h3>Files test</h3>\n<table class=\"rows\">\n";
  out += Row("Files", std::to_string(summary.filesTotal));
  out += Row("Checked", std::to_string(summary.filesChecked));
  out += Row("With errors", std::to_string(summary.fileErrorPaths.size()));
  out += "</table>\n";
  if (!summary.fileErrorPaths.empty()) {
    out += "<p>Files that could not be read:</p>\n<ul>\n";
    for (const std::u16string& path : summary.fileErrorPaths)
      out += "<li class=\"path\">" + Escaped(path) + "</li>\n";
    out += "</ul>\n";
  }
  if (!summary.fileSystemErrors.empty()) {
    out += "<p>Parts of the file system that could not be listed:</p>\n<ul>\n";
    for (const std::u16string& what : summary.fileSystemErrors)
      out += "<li>" + Escaped(what) + "</li>\n";
    out += "</ul>\n";
  }
  return out;
}

std::string PictureHtml(const ReportPicture& picture) {
  std::string out = "<figure>\n<figcaption>" + Escaped(picture.title) + "</figcaption>\n";
  out += "<img class=\"picture\" alt=\"" + Escaped(picture.title) +
         "\" src=\"data:image/png;base64," + Base64(picture.png) + "\">\n";
  if (!picture.legend.empty()) {
    out += "<p class=\"legend\">";
    for (const auto& [cell, text] : picture.legend)
      out += "<span><img alt=\"\" src=\"data:image/png;base64," + Base64(cell) + "\"> " +
             Escaped(text) + "</span> ";
    out += "</p>\n";
  }
  if (!picture.caption.empty())
    out += "<p class=\"caption\">" + Escaped(picture.caption) + "</p>\n";
  return out + "</figure>\n";
}

std::string LogHtml(const std::vector<ScanLogEntry>& log) {
  std::string out =
      "<h3>Log</h3>\n<table class=\"list log\">\n"
      "<tr><th>Time</th><th>Kind</th><th>Description</th><th class=\"n\">Sector</th></tr>\n";
  for (const ScanLogEntry& entry : log)
    out += "<tr class=\"" + std::string(LogKindName(entry.kind)) + "\"><td>" +
           Escaped(LogTimeText(entry.time)) + "</td><td>" + LogKindName(entry.kind) + "</td><td>" +
           Escaped(entry.text) + "</td><td class=\"n\">" + Escaped(LogSectorText(entry.sector)) +
           "</td></tr>\n";
  return out + "</table>\n";
}

std::string ScanKind(const ScanRecord& scan) {
  std::string kind = scan.copyToImage ? "Copy to image" : scan.surfaceScan ? "Surface scan" : "";
  if (scan.filesTest) kind += kind.empty() ? "Files test" : " and files test";
  return kind;
}

// What a reader wants first: which disc, in which drive or image, and what
// the scan found, with the damaged files and the map.
std::string SummaryHtml(const DiscReport& report, const ScanResult* summary) {
  std::string out = "<section class=\"summary\">\n<h2>Summary</h2>\n<table class=\"rows\">\n";
  out += Row("Disc", report.label.empty() ? "no label" : Escaped(report.label));
  out += Row("Size", report.sectors > 0 ? FormatDiscSize(report.sectors) : "no medium");
  if (!report.imagePath.empty())
    out += Row("Image file", "<span class=\"path\">" + Escaped(report.imagePath) + "</span>");
  else
    out += Row("Drive",
               Escaped(report.driveName) +
                   (report.devicePath.empty() ? "" : " (" + Escaped(report.devicePath) + ")"));
  if (report.scan != nullptr) {
    const ScanRecord& scan = *report.scan;
    out += Row("Scan", ScanKind(scan) + ", " + Escaped(LogTimeText(scan.start)) +
                           (scan.ended ? ", " + Duration(scan.end.seconds - scan.start.seconds)
                                       : ", in progress"));
  }
  out += "</table>\n<p class=\"verdict\">";
  out += summary != nullptr ? Escaped(ScanVerdict(*summary))
                            : "Not scanned since the program started.";
  out += "</p>\n";
  if (report.scan != nullptr) {
    out += DamagedFilesHtml(*report.scan, *summary);
    if (!report.pictures.empty()) out += PictureHtml(report.pictures.front());
  }
  return out + "</section>\n";
}

// The scan as it went: its times and result, its counts, the files test,
// the read speed and every entry of its log.
std::string ScanHtml(const DiscReport& report, const ScanResult& summary) {
  const ScanRecord& scan = *report.scan;
  std::string out = "<section>\n<h2>Scan details</h2>\n<table class=\"rows\">\n";
  out += Row("Kind", ScanKind(scan));
  out += Row("Started", Escaped(LogTimeText(scan.start)));
  out += Row("Ended", scan.ended ? Escaped(LogTimeText(scan.end)) : "in progress");
  out += Row("Duration", Duration(scan.end.seconds - scan.start.seconds));
  out += Row("Result", !scan.ended ? "in progress" : summary.stopped ? "stopped" : "finished");
  out += "</table>\n";
  if (scan.surfaceScan) out += SurfaceHtml(scan, summary);
  if (scan.filesTest) out += FilesHtml(summary);
  for (std::size_t i = 1; i < report.pictures.size(); ++i) out += PictureHtml(report.pictures[i]);
  out += LogHtml(scan.log);
  return out + "</section>\n";
}

// The drive's and the medium's rows, last and compact: their groups in two
// columns on a page.
std::string FactsHtml(const DiscReport& report) {
  std::string out =
      "<section class=\"facts\">\n<h2>Drive and medium</h2>\n<div class=\"columns\">\n";
  out += GroupsHtml(report.drive);
  if (report.medium.empty())
    out += "<p>No medium in the drive.</p>\n";
  else
    out += GroupsHtml(report.medium);
  return out + "</div>\n</section>\n";
}

// The disc's kept scans, oldest first, and their chart.
std::string HistoryHtml(const DiscScans& history) {
  std::string out = "<section>\n<h2>History</h2>\n<p>" + Escaped(HistoryDiscText(history.disc));
  if (history.scans.empty()) return out + ": no scan of this disc is kept.</p>\n</section>\n";
  out += ": " + std::to_string(history.scans.size()) +
         (history.scans.size() == 1 ? " scan" : " scans") + " kept.</p>\n";
  out +=
      "<table class=\"list\">\n<tr><th>Date</th><th>Kind</th><th>Drive</th>"
      "<th class=\"n\">Problem sectors</th><th class=\"n\">Error sectors</th>"
      "<th class=\"n\">Damaged files</th></tr>\n";
  for (const HistoryScan& scan : history.scans) {
    const bool sectors = scan.sectors > 0;
    out += "<tr><td>" + Escaped(HistoryTimeText(scan.time)) + "</td><td>" + Escaped(scan.kind) +
           (scan.stopped ? " (stopped)" : "") + "</td><td class=\"path\">" +
           Escaped(HistoryDriveText(scan.drive)) + "</td><td class=\"n\">" +
           (sectors ? std::to_string(scan.problemSectors) : "&ndash;") + "</td><td class=\"n\">" +
           (sectors ? std::to_string(scan.errorSectors) : "&ndash;") + "</td><td class=\"n\">" +
           std::to_string(scan.damagedFiles) + "</td></tr>\n";
  }
  out += "</table>\n";
  const std::vector<HistoryScan> surface = SurfaceScans(history.scans);
  if (!surface.empty()) out += PictureHtml(HistoryChartPicture(surface));
  return out + "</section>\n";
}

constexpr char kStyle[] = R"(
body { font-family: "DejaVu Sans", "Liberation Sans", Arial, sans-serif; font-size: 10pt;
  color: #000; background: #fff; margin: 1em auto; max-width: 50em; padding: 0 0.5em; }
h1 { font-size: 16pt; margin: 0 0 0.2em; overflow-wrap: anywhere; }
h2 { font-size: 13pt; border-bottom: 1px solid #888; margin: 1.2em 0 0.4em; }
h3 { font-size: 11pt; margin: 0.9em 0 0.3em; }
table { border-collapse: collapse; margin: 0 0 0.5em; }
th, td { text-align: left; vertical-align: top; padding: 0.15em 0.6em 0.15em 0; }
table.rows { width: 100%; }
table.rows th { font-weight: normal; color: #333; width: 40%; }
table.list { width: 100%; }
table.list th { border-bottom: 1px solid #888; }
table.list td { border-bottom: 1px solid #ddd; }
td.n, th.n { text-align: right; }
table.log { font-size: 9pt; }
table.log td:first-child { white-space: nowrap; }
.path { word-break: break-all; }
tr.Problem td { background: #fff6cc; }
tr.Error td { background: #ffd9d0; }
p.verdict { font-size: 12pt; font-weight: bold; margin: 0.6em 0; }
figure { margin: 0.8em 0; }
figcaption { font-weight: bold; margin-bottom: 0.3em; }
img.picture { max-width: 100%; height: auto; border: 1px solid #000; }
.legend span { margin-right: 1.2em; white-space: nowrap; }
.legend img { vertical-align: middle; width: 8px; height: 8px; }
.meta { color: #333; }
.facts { font-size: 8.5pt; }
.facts h3 { font-size: 9.5pt; margin: 0.5em 0 0.1em; break-after: avoid; }
.facts th, .facts td { padding: 0 0.4em 0 0; }
.facts table.rows th { width: 55%; }
.columns { column-count: 2; column-gap: 2em; }
.columns table { break-inside: avoid; }
@media (max-width: 40em) { .columns { column-count: 1; } }
* { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
@page { size: A4; margin: 15mm; }
@media print { body { margin: 0; max-width: none; padding: 0; }
  tr, figure { break-inside: avoid; } h2, h3 { break-after: avoid; } }
)";

std::string CellPng(unsigned flags) {
  return EncodePng(DrawCell(static_cast<std::uint8_t>(flags)));
}

}  // namespace

DiscReport MakeDiscReport(const DeviceContext& context, const ScanRecord* scan) {
  DiscReport report;
  report.driveName = std::u16string(1, static_cast<char16_t>(context.driveLetter)) + u":";
  const std::u16string vendor(context.vendor), model(context.model);
  if (!vendor.empty()) report.driveName += u" " + vendor;
  if (!model.empty()) report.driveName += u" " + model;
  report.label = DiscLabel(context);
  if (context.hasMedium)
    for (const auto& [number, session] : context.Sessions()) {
      const std::int32_t count = session.sectorCount;  // a packed record's field
      report.sectors += std::max(count, 0);
    }
  if (context.driveLetter != 0) {
    const std::u16string path = DrivePath(DeviceListItem{u"", context.driveLetter, true});
    (context.IsVirtualDrive() ? report.imagePath : report.devicePath) = path;
  }
  if (context.driveLetter != 0) report.drive = ShownGroups(DeviceFeaturesRows(context));
  report.medium = ShownGroups(MediaRows(&context));
  report.scan = scan;
  if (scan != nullptr && scan->surfaceScan && !scan->sectors.empty()) {
    report.pictures.push_back(SurfaceMapPicture(scan->sectors));
    if (SpeedCurveAxisTop(scan->speedCurve) > 0)
      report.pictures.push_back(ReadSpeedPicture(scan->speedCurve));
  }
  report.made = TimeValue::Now();
  return report;
}

ReportPicture SurfaceMapPicture(const std::vector<std::uint8_t>& table) {
  const SurfacePicture map = DrawSurfacePicture(table, kReportPictureWidth, kMapMaxRows);
  ReportPicture picture;
  picture.title = u"Surface map";
  picture.png = EncodePng(map.image);
  picture.caption =
      FormatText("%d %s per block, the first sector at the top left.", map.sectorsPerBlock,
                 map.sectorsPerBlock == 1 ? "sector" : "sectors");
  picture.legend = {{CellPng(0), u"Not Checked"},
                    {CellPng(kBlockGood), u"Good"},
                    {CellPng(kBlockProblem), u"Problem"},
                    {CellPng(kBlockError), u"Error"},
                    {CellPng(kBlockGood | kBlockProblem), u"Good and problem"},
                    {CellPng(kBlockGood | kBlockError), u"Good and error"},
                    {CellPng(kBlockProblem | kBlockError), u"Problem and error"}};
  return picture;
}

ReportPicture ReadSpeedPicture(const SpeedCurve& curve) {
  constexpr int kHeight = 160;
  ReportPicture picture;
  picture.title = u"Read speed";
  picture.png = EncodePng(DrawSpeedCurvePicture(curve, kReportPictureWidth, kHeight));
  const double top = SpeedCurveAxisTop(curve);
  picture.caption = FormatText(
      "Speed up the picture, to %.1f MB/s (%.1fx) at the top, grid lines at its quarters; the "
      "position on the disc across it, 0 to %.2f GB.",
      top / 1e6, curve.Base() > 0 ? top / curve.Base() : 0.0,
      static_cast<double>(curve.SectorCount()) * 2048 / 1e9);
  const auto swatch = [](std::uint32_t rgb) { return EncodePng(RgbImage(8, 8, rgb)); };
  picture.legend = {{swatch(kSpeedCurveRgb), u"Read speed"},
                    {swatch(kSpeedTickProblemRgb), u"Problem"},
                    {swatch(kSpeedTickErrorRgb), u"Error"}};
  return picture;
}

ReportPicture HistoryChartPicture(const std::vector<HistoryScan>& surfaceScans) {
  constexpr int kHeight = 160;
  ReportPicture picture;
  picture.title = u"Problem and error sectors over time";
  picture.png = EncodePng(DrawHistoryChart(surfaceScans, kReportPictureWidth, kHeight));
  const std::string first = HistoryTimeText(surfaceScans.front().time);
  const std::string last = HistoryTimeText(surfaceScans.back().time);
  const std::string across = surfaceScans.size() == 1
                                 ? "the one scan, of " + first + ", in the middle"
                                 : "the scans across it in their order, " + first + " to " + last;
  picture.caption = FormatText(
      "Each surface scan's problem and error sectors, up the picture to %lld sectors at the top, "
      "grid lines at its quarters; %s.",
      static_cast<long long>(HistoryChartTop(surfaceScans)), across.c_str());
  const auto swatch = [](std::uint32_t rgb) { return EncodePng(RgbImage(8, 8, rgb)); };
  picture.legend = {{swatch(kHistoryProblemRgb), u"Problem sectors"},
                    {swatch(kHistoryErrorRgb), u"Error sectors"}};
  return picture;
}

std::string ReportHtml(const DiscReport& report) {
  const std::string title = "Disc report: " + ToUtf8(ReportTitle(report));
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>" +
      Escaped(title) + "</title>\n<style>" + kStyle +
      "</style>\n"
      "</head>\n<body>\n<h1>" +
      Escaped(title) + "</h1>\n";
  out += "<p class=\"meta\">Made by " + Escaped(std::string(kProductName)) + " " +
         Escaped(std::string(kProductVersion)) + " on " + Escaped(LogTimeText(report.made)) +
         ".</p>\n";
  if (report.scan != nullptr) {
    const ScanResult summary = SummaryOf(*report.scan);
    out += SummaryHtml(report, &summary) + ScanHtml(report, summary);
  } else {
    out += SummaryHtml(report, nullptr);
  }
  if (report.history) out += HistoryHtml(*report.history);
  out += FactsHtml(report);
  return out + "</body>\n</html>\n";
}

std::string ReportJson(const DiscReport& report) {
  std::string out = "{\"drive\": " + PropertyGroupsJson(report.drive);
  out += ", \"medium\": " + PropertyGroupsJson(report.medium);
  out += ", \"scan\": ";
  out += report.scan != nullptr ? ScanSummaryJson(SummaryOf(*report.scan)) : "null\n";
  out += ", \"history\": " + (report.history ? DiscScansJson(*report.history) : "null") + "\n";
  return out + "}\n";
}

std::u16string DiscLabel(const DeviceContext& context) {
  if (!context.hasMedium) return {};
  std::u16string label;
  wrenlo::IsoVolumeInfo volume{};
  for (const std::int32_t fileSystem : {wrenlo::kFileSystemJoliet, wrenlo::kFileSystemIso9660}) {
    label = context.GetIsoVolumeInfo(volume, fileSystem).volumeLabel.str();
    // The preset text of a label the engine did not give is no label.
    if (label == kUndefinedText) label.clear();
    while (!label.empty() && label.back() == u' ') label.pop_back();
    if (!label.empty()) return label;
  }
  return label;
}

std::u16string ReportTitle(const DiscReport& report) {
  const std::u16string letter = report.driveName.substr(0, 2);
  const std::u16string image = report.imagePath.substr(report.imagePath.rfind(u'/') + 1);
  const std::u16string where = image.empty() ? report.driveName : image + u", " + letter;
  return report.label.empty() ? where : report.label + u" (" + where + u")";
}

std::u16string ReportFileStem(const DeviceContext& context, TimeValue when) {
  return DiscFileName(context) + u"-" + when.Format("%Y-%m-%d");
}

std::u16string DiscFileName(const DeviceContext& context) {
  std::u16string stem = DiscLabel(context);
  // Without the characters a file name cannot hold.
  std::replace_if(
      stem.begin(), stem.end(), [](char16_t c) { return c == u'/' || c < 0x20; }, u'_');
  if (stem.empty()) stem = std::u16string(1, static_cast<char16_t>(context.driveLetter));
  return stem;
}
