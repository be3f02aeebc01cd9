#include "HistoryTestSupport.h"

#include <cstdlib>
#include <stdexcept>

#include "support/Fixtures.h"

namespace testing_support {

std::string NewFolder() {
  std::string pattern = OutputDirectory() + "/history-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

DiscIdentity SampleDisc(int n) {
  DiscIdentity disc;
  disc.label = "BACKUP 2019";
  disc.created = "2019-06-01 10:20:30 +02:00";
  disc.sectors = 2295104;
  disc.descriptorHash = std::string(63, 'a') + static_cast<char>('0' + n);
  disc.fileSystem = "ISO 9660";
  return disc;
}

HistoryScan SampleScan(std::int64_t time) {
  HistoryScan scan;
  scan.kind = scan_kind::kSurfaceScan;
  scan.time = time;
  scan.drive = {"HL-DT-ST", "DVDRAM GH24NSD1", "LG00", ""};
  scan.options = "{\"sectors_per_read\": 16, \"attempts\": 3}";
  scan.durationMs = 754321;
  scan.stopped = true;
  scan.sectors = 2295104;
  scan.problemSectors = 12;
  scan.errorSectors = 3;
  scan.unreadSectors = 1000;
  scan.goodSectors = scan.sectors - 12 - 3 - 1000;
  scan.problemRanges = {{100, 109}, {5000, 5001}};
  scan.errorRanges = {{2000, 2002}};
  scan.unreadRanges = {{2294104, 2295103}};
  scan.filesTotal = 0;
  scan.damaged = {{"VIDEO_TS/VTS_01_1.VOB", false, 10, 3},
                  {"VIDEO_TS/VTS_01_2.VOB", false, 2, 0},
                  {"Directory VIDEO_TS", true, 1, 0}};
  scan.damagedFiles = 2;
  scan.checksums = {{"VIDEO_TS/VTS_01_1.VOB", "MD5", "00ff", "00fe", false}};
  scan.speedCurve.sectors = scan.sectors;
  scan.speedCurve.base = 1385000;
  scan.speedCurve.kilobytesPerSecond = {5540, 11080, -1, 0, 22160};
  return scan;
}

}  // namespace testing_support

void PrintTo(const HistoryScan& scan, std::ostream* out) {
  *out << "{id " << scan.id << ", " << scan.kind << " at " << scan.time << ", options '"
       << scan.options << "', " << scan.sectors << " sectors: " << scan.goodSectors << " good, "
       << scan.problemSectors << " problem, " << scan.errorSectors << " error, "
       << scan.unreadSectors << " unread in " << scan.problemRanges.size() << "+"
       << scan.errorRanges.size() << "+" << scan.unreadRanges.size() << " ranges; "
       << scan.damaged.size() << " damaged, " << scan.checksums.size() << " checksums, "
       << scan.speedCurve.kilobytesPerSecond.size() << " curve points}";
}
