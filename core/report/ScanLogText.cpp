#include "core/report/ScanLogText.h"

#include "core/report/Json.h"
#include "core/report/Utf8.h"

std::u16string LogTimeText(const TimeValue& time) { return time.Format("%d/%m/%Y %H:%M:%S"); }

const char* LogKindName(LogKind kind) {
  switch (kind) {
    case LogKind::Problem:
      return "Problem";
    case LogKind::Error:
      return "Error";
    default:
      return "Info";
  }
}

std::u16string LogSectorText(std::int64_t sector) {
  if (sector == kNoSector) return {};
  const std::string digits = std::to_string(sector);
  return std::u16string(digits.begin(), digits.end());
}

std::string LogFileText(const std::vector<ScanLogEntry>& log) {
  std::string out;
  for (const ScanLogEntry& entry : log)
    out += ToUtf8(LogTimeText(entry.time)) + "\t" + LogKindName(entry.kind) + "\t" +
           WithControlsEscaped(ToUtf8(entry.text)) + "\t" + ToUtf8(LogSectorText(entry.sector)) +
           "\n";
  return out;
}
