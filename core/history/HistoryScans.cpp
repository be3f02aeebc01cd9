#include "core/history/HistoryScans.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string_view>

#include "core/damage/DamageIndex.h"
#include "core/disc/DeviceContext.h"
#include "core/disc/DeviceList.h"
#include "core/report/ScanSummary.h"
#include "core/report/Utf8.h"
#include "core/scan/ScanRecord.h"

namespace {

constexpr std::string_view kSessionKey = "\"session\": ";
constexpr std::string_view kLastSessionJson = "\"last\"";

bool IsRegularFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// The session a surface scan read, as the options' JSON gives it: "last",
// "all" (the whole disc) or its number.
std::string SessionJson(std::int32_t session) {
  if (session == kLastSession) return std::string(kLastSessionJson);
  return session == kWholeDisc ? "\"all\"" : std::to_string(session);
}

std::int64_t Milliseconds(std::uint64_t microseconds) {
  return static_cast<std::int64_t>(microseconds / 1000);
}

// Marks the groups of curve that hold a sector of ranges.
void MarkGroups(const std::vector<SectorRange>& ranges, std::int32_t groupSize,
                std::vector<bool>& marks) {
  for (const SectorRange& range : ranges) {
    const std::uint64_t first = range.first / static_cast<std::uint64_t>(groupSize);
    const std::uint64_t last = std::min<std::uint64_t>(
        range.last / static_cast<std::uint64_t>(groupSize), marks.size() - 1);
    for (std::uint64_t group = first; group <= last && group < marks.size(); ++group)
      marks[group] = true;
  }
}

// The first and one past the last group of curve that point p of count
// stands for.
std::pair<std::int32_t, std::int32_t> PointGroups(std::int32_t groups, std::size_t p,
                                                  std::size_t count) {
  const auto at = [&](std::size_t n) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(groups) *
                                     static_cast<std::int64_t>(n) /
                                     static_cast<std::int64_t>(count));
  };
  return {at(p), at(p + 1)};
}

}  // namespace

HistoryDrive DriveOf(const DeviceContext& context) {
  HistoryDrive drive;
  drive.vendor = ToUtf8(context.vendor);
  drive.model = ToUtf8(context.model);
  drive.firmware = ToUtf8(context.revision);
  DeviceListItem item;
  item.letter = context.driveLetter;
  const std::string path = ToUtf8(DrivePath(item));
  // A drive's path is its device node; an image's is a file of its own.
  if (IsRegularFile(path)) {
    std::error_code failed;
    const std::filesystem::path absolute = std::filesystem::absolute(path, failed);
    drive.imagePath = failed ? path : absolute.lexically_normal().string();
  }
  return drive;
}

std::string ScanOptionsJson(const ScanOptions& options) {
  return "{\"sectors_per_read\": " + std::to_string(options.sectorsPerRead) +
         ", \"attempts\": " + std::to_string(options.attempts) +
         ", \"skip_after_error\": " + std::to_string(options.skipAfterError) +
         ", \"first_sector\": " + std::to_string(options.firstSector) +
         ", \"last_sector\": " + std::to_string(options.lastSector) +
         ", \"speed\": " + std::to_string(options.speed) +
         ", \"retry\": " + (options.retry ? "true" : "false") + ", " + std::string(kSessionKey) +
         SessionJson(options.session) + "}";
}

std::vector<HistoryScan> HistoryScansOf(const ScanRecord& record, const ScanOptions& options,
                                        const HistoryDrive& drive) {
  std::vector<HistoryScan> scans;
  const ScanResult result = SummaryOf(record);
  HistoryScan common;
  common.drive = drive;
  common.options = ScanOptionsJson(options);
  common.time = record.start.seconds;
  // A pass that read nothing (the medium went at once, an empty session, a
  // disc without files) tells nothing of the disc.
  const SurfaceCounts& counts = result.surface;
  if (record.surfaceScan && record.surfacePass.ran && counts.total > counts.unread) {
    HistoryScan& scan = scans.emplace_back(common);
    scan.kind = scan_kind::kSurfaceScan;
    scan.durationMs = Milliseconds(record.surfacePass.microseconds);
    scan.stopped = record.surfacePass.Stopped();
    scan.sectors = counts.total;
    scan.goodSectors = counts.good;
    scan.problemSectors = counts.problems;
    scan.errorSectors = counts.errors;
    scan.unreadSectors = counts.unread;
    scan.problemRanges = counts.problemRanges;
    scan.errorRanges = counts.errorRanges;
    scan.unreadRanges = counts.unreadRanges;
    if (record.damage != nullptr) scan.damaged = DamagedRecords(*record.damage);
    scan.speedCurve = StoreSpeedCurve(record.speedCurve);
  }
  if (record.filesTest && record.filesPass.ran &&
      (result.filesChecked > 0 || !result.fileSystemErrors.empty())) {
    HistoryScan& scan = scans.emplace_back(common);
    scan.kind = scan_kind::kFilesTest;
    // It ran after the surface scan, when there was one.
    scan.time += static_cast<std::int64_t>(record.surfacePass.microseconds / 1000000);
    scan.durationMs = Milliseconds(record.filesPass.microseconds);
    scan.stopped = record.filesPass.Stopped();
    scan.filesTotal = result.filesTotal;
    scan.filesChecked = result.filesChecked;
    scan.fileErrors = static_cast<std::int64_t>(result.fileErrorPaths.size());
    for (const std::u16string& path : result.fileErrorPaths)
      scan.damaged.push_back({ToUtf8(path), false, 0, 0});
    for (const std::u16string& what : result.fileSystemErrors)
      scan.damaged.push_back({ToUtf8(what), true, 0, 0});
  }
  return scans;
}

std::vector<DamagedFileRecord> DamagedRecords(const DamageIndex& damage) {
  std::vector<DamagedFileRecord> records;
  for (const DamagedEntry& file : damage.DamagedFiles())
    records.push_back({ToUtf8(file.name), false, file.problemSectors, file.errorSectors});
  for (const DamagedEntry& structure : damage.DamagedStructures())
    records.push_back(
        {ToUtf8(structure.name), true, structure.problemSectors, structure.errorSectors});
  return records;
}

StoredSpeedCurve StoreSpeedCurve(const SpeedCurve& curve) {
  StoredSpeedCurve stored;
  stored.sectors = curve.SectorCount();
  stored.base = curve.Base();
  const std::size_t points =
      std::min<std::size_t>(StoredSpeedCurve::kPoints, static_cast<std::size_t>(curve.Groups()));
  bool anyRead = false;
  for (std::size_t p = 0; p < points; ++p) {
    // The mean of the point's groups that were read.
    const auto [first, end] = PointGroups(curve.Groups(), p, points);
    double sum = 0;
    int read = 0;
    for (std::int32_t group = first; group < end; ++group) {
      const double speed = curve.BytesPerSecond(group);
      if (speed < 0) continue;
      sum += speed;
      ++read;
    }
    anyRead = anyRead || read > 0;
    const double kilobytes = read == 0 ? -1 : std::min(std::round(sum / read / 1000), 2147483647.0);
    stored.kilobytesPerSecond.push_back(static_cast<std::int32_t>(kilobytes));
  }
  if (!anyRead) stored.kilobytesPerSecond.clear();
  return stored;
}

std::vector<std::uint8_t> SectorTableOf(const HistoryScan& scan, std::int64_t sectors) {
  if (scan.sectors != sectors || sectors <= 0 || sectors > std::numeric_limits<std::int32_t>::max())
    return {};
  // Another session, or the whole disc, numbered from the disc's start.
  const std::string_view options = scan.options;
  if (const std::size_t key = options.find(kSessionKey);
      key != std::string_view::npos &&
      options.substr(key + kSessionKey.size(), kLastSessionJson.size()) != kLastSessionJson)
    return {};
  std::vector<std::uint8_t> table(static_cast<std::size_t>(sectors),
                                  static_cast<std::uint8_t>(SectorState::Good));
  for (const auto& [ranges, state] : {std::pair{&scan.problemRanges, SectorState::Problem},
                                      std::pair{&scan.errorRanges, SectorState::Error},
                                      std::pair{&scan.unreadRanges, SectorState::NotChecked}})
    for (const SectorRange& range : *ranges)
      for (std::uint64_t sector = range.first; sector <= range.last && sector < table.size();
           ++sector)
        table[sector] = static_cast<std::uint8_t>(state);
  return table;
}

SpeedCurve SpeedCurveOf(const HistoryScan& scan) {
  const StoredSpeedCurve& stored = scan.speedCurve;
  SpeedCurve curve;
  if (stored.kilobytesPerSecond.empty()) return curve;
  curve.Start(static_cast<std::int32_t>(std::clamp<std::int64_t>(
                  stored.sectors, 0, std::numeric_limits<std::int32_t>::max())),
              stored.base > 0 ? stored.base : 1);
  const std::int32_t groups = curve.Groups();
  if (groups == 0) return curve;
  std::vector<bool> problem(static_cast<std::size_t>(groups)), error(problem);
  MarkGroups(scan.problemRanges, curve.GroupSize(), problem);
  MarkGroups(scan.errorRanges, curve.GroupSize(), error);
  const std::size_t points =
      std::min(stored.kilobytesPerSecond.size(), static_cast<std::size_t>(groups));
  for (std::size_t p = 0; p < points; ++p) {
    const auto [first, end] = PointGroups(groups, p, points);
    const std::int32_t speed = stored.kilobytesPerSecond[p];
    for (std::int32_t group = first; group < end; ++group)
      curve.SetGroup(group, speed < 0 ? -1.0 : speed * 1000.0,
                     problem[static_cast<std::size_t>(group)],
                     error[static_cast<std::size_t>(group)]);
  }
  return curve;
}
