#include "core/history/HistoryTexts.h"

#include <ctime>

#include "core/report/Json.h"
#include "core/report/ScanLogText.h"
#include "core/report/ScanSummary.h"
#include "core/report/Utf8.h"
#include "core/scan/TimeValue.h"

namespace {

std::string Bool(bool value) { return value ? "true" : "false"; }

std::string UtcText(std::int64_t seconds) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm utc{};
  if (gmtime_r(&time, &utc) == nullptr) return {};
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::string StringField(const char* name, const std::string& value) {
  std::string out = std::string("\"") + name + "\": ";
  AppendJsonString(out, value);
  return out;
}

std::string NumberField(const char* name, std::int64_t value) {
  return std::string("\"") + name + "\": " + std::to_string(value);
}

std::string DamagedJson(const std::vector<DamagedFileRecord>& damaged) {
  std::string out = "[";
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    const DamagedFileRecord& entry = damaged[i];
    out += (i == 0 ? "{" : ", {") + StringField("path", entry.path) +
           ", \"structure\": " + Bool(entry.structure) + ", " +
           NumberField("problem_sectors", entry.problemSectors) + ", " +
           NumberField("error_sectors", entry.errorSectors) + "}";
  }
  return out + "]";
}

std::string ChecksumsJson(const std::vector<ChecksumRecord>& checksums) {
  std::string out = "[";
  for (std::size_t i = 0; i < checksums.size(); ++i) {
    const ChecksumRecord& c = checksums[i];
    out += (i == 0 ? "{" : ", {") + StringField("path", c.path) + ", " +
           StringField("algorithm", c.algorithm) + ", " + StringField("expected", c.expected) +
           ", " + StringField("actual", c.actual) + ", \"matches\": " + Bool(c.matches) + "}";
  }
  return out + "]";
}

std::string CurveJson(const StoredSpeedCurve& curve) {
  if (curve.kilobytesPerSecond.empty()) return "null";
  std::string out = "{" + NumberField("sectors", curve.sectors) + ", " +
                    NumberField("base", static_cast<std::int64_t>(curve.base)) + ", \"kbps\": [";
  for (std::size_t i = 0; i < curve.kilobytesPerSecond.size(); ++i)
    out += (i == 0 ? "" : ", ") + std::to_string(curve.kilobytesPerSecond[i]);
  return out + "]}";
}

}  // namespace

std::string HistoryTimeText(std::int64_t seconds) {
  return ToUtf8(LogTimeText(TimeValue{seconds}));
}

std::string HistoryDriveText(const HistoryDrive& drive) {
  if (!drive.imagePath.empty()) return drive.imagePath;
  std::string text;
  for (const std::string* part : {&drive.vendor, &drive.model, &drive.firmware}) {
    if (part->empty()) continue;
    if (!text.empty()) text += " ";
    text += *part;
  }
  return text;
}

std::string HistoryDiscText(const DiscIdentity& disc) {
  std::string text = disc.label.empty() ? "(no label)" : disc.label;
  text += ", " + disc.fileSystem;
  if (!disc.created.empty()) text += ", created " + disc.created;
  return text + ", " + std::to_string(disc.sectors) + " sectors";
}

std::string DiscIdentityJson(const DiscIdentity& disc, std::int64_t id) {
  return "{\"id\": " + (id > 0 ? std::to_string(id) : std::string("null")) + ", " +
         StringField("label", disc.label) + ", " + StringField("created", disc.created) + ", " +
         NumberField("sectors", disc.sectors) + ", " + StringField("file_system", disc.fileSystem) +
         ", " + StringField("descriptor_hash", disc.descriptorHash) + "}";
}

std::string HistoryScanJson(const HistoryScan& scan, bool full) {
  const HistoryDrive& drive = scan.drive;
  std::string out = "{" + NumberField("id", scan.id) + ", " +
                    StringField("time", UtcText(scan.time)) + ", " +
                    StringField("kind", scan.kind) + ", \"drive\": {" +
                    StringField("vendor", drive.vendor) + ", " + StringField("model", drive.model) +
                    ", " + StringField("firmware", drive.firmware) + ", \"image\": ";
  if (drive.imagePath.empty())
    out += "null";
  else
    AppendJsonString(out, drive.imagePath);
  out += "}, \"options\": " + (scan.options.empty() ? std::string("{}") : scan.options);
  out +=
      ", " + NumberField("duration_ms", scan.durationMs) + ", \"stopped\": " + Bool(scan.stopped);
  out += ", " + NumberField("sectors", scan.sectors) + ", " +
         NumberField("good_sectors", scan.goodSectors) + ", " +
         NumberField("problem_sectors", scan.problemSectors) + ", " +
         NumberField("error_sectors", scan.errorSectors) + ", " +
         NumberField("unread_sectors", scan.unreadSectors) + ", " +
         NumberField("files_total", scan.filesTotal) + ", " +
         NumberField("files_checked", scan.filesChecked) + ", " +
         NumberField("file_errors", scan.fileErrors) + ", " +
         NumberField("damaged_files", scan.damagedFiles);
  if (full) {
    out += ", \"problem_ranges\": " + SectorRangesJson(scan.problemRanges) +
           ", \"error_ranges\": " + SectorRangesJson(scan.errorRanges) +
           ", \"unread_ranges\": " + SectorRangesJson(scan.unreadRanges) +
           ", \"damaged\": " + DamagedJson(scan.damaged) +
           ", \"checksums\": " + ChecksumsJson(scan.checksums) +
           ", \"speed_curve\": " + CurveJson(scan.speedCurve);
  }
  return out + "}";
}

std::string DiscScansJson(const DiscScans& scans) {
  std::string out =
      "{\"disc\": " + DiscIdentityJson(scans.disc, scans.discId.value_or(0)) + ",\n \"scans\": [";
  for (std::size_t i = 0; i < scans.scans.size(); ++i)
    out += (i == 0 ? "\n  " : ",\n  ") + HistoryScanJson(scans.scans[i], true);
  return out + "]}";
}

std::string HistoryDiscsJson(const std::vector<HistoryDisc>& discs) {
  std::string out = "{\"discs\": [";
  for (std::size_t i = 0; i < discs.size(); ++i) {
    const HistoryDisc& disc = discs[i];
    std::string identity = DiscIdentityJson(disc.identity, disc.id);
    identity.pop_back();  // the object goes on
    out += (i == 0 ? "\n  " : ",\n  ") + identity + ", " + NumberField("scans", disc.scanCount) +
           ", \"latest_scan\": " + HistoryScanJson(disc.latest, false) + "}";
  }
  return out + "]}";
}
