// What the scan page shows of a progress record: the progress bar's
// position, the shares of good, problem and error reads, the texts of the
// shares, of the counts behind them and of the read speed, and the log's
// entry at the end of a pass. Numbers are written with a '.' whatever the
// desktop's locale.
#pragma once

#include <cstdint>
#include <string>

#include "core/scan/ISectorScannerCallback.h"
#include "core/scan/ScanRecord.h"
#include "core/scan/SectorScanner.h"

// current x 100 / total, truncated; 0 when total is 0. Exact for every count.
int ProgressPosition(const ProgressCtx_t& progress);

// The reads (or files) of each class done so far; sectors skipped after an
// error were not read and are none of them.
struct ShareCounts {
  std::int64_t good = 0;
  std::int64_t problem = 0;
  std::int64_t error = 0;

  std::int64_t Checked() const { return good + problem + error; }
};

ShareCounts ShareCountsOf(const ProgressCtx_t& progress);

// The count behind one share: "5 of 2990 sectors checked", or "1 of 3 files
// checked" in the files test.
std::u16string ShareCountText(std::int64_t count, std::int64_t checked, ScanPass pass);

// count's share of whole with one decimal and a percent sign: "98.0%"; "0.0%"
// when whole is 0, so that nothing read never reads as good. A share is never
// rounded into hiding what it counts: a count that is not 0 never reads
// "0.0%" but "<0.1%", and one short of the whole never "100.0%" but ">99.9%".
std::u16string ShareText(std::int64_t count, std::int64_t whole);

// The speed as a multiple of the medium's base speed, base bytes per second
// (BaseSpeed: a CD's 150 KiB/s, a DVD's 1,385 KB/s, a BD's 4,496 KB/s),
// truncated, and in KiB/s with one decimal: "13x (2000.0 kbps)" on a CD.
std::u16string SpeedText(std::int32_t bytesPerSecond, double base);

// Why a surface scan of a session of sessionSectors sectors cannot start
// with the range chosen, or the empty text when it can: a first sector past
// the session's end (kept in the settings from another disc) leaves nothing
// to read. "The scan range lies outside this disc: its first sector is
// 20000, and the disc's last sector is 11935."
std::u16string RangeOutsideText(std::int32_t firstSector, std::int32_t sessionSectors);

// How a pass ended, as its log entry tells it.
struct PassEnd {
  ScanPass pass = ScanPass::None;
  // The pass's last progress: the files test's and a copy's counts, and
  // whether a pass was stopped before its end.
  ProgressCtx_t progress;
  // The surface scan's counts: those of its table, as the scan's summary,
  // its JSON and its report count them.
  SectorCounts table;
  // The first sector a stopped surface scan did not check.
  std::int64_t firstUnread = -1;
  std::uint64_t microseconds = 0;
  bool hasMedium = true;
  // The folders a files test could not list.
  std::int64_t unlistedFolders = 0;
};

// The end of the pass scanner has just ended, read during its OnScanFinished.
PassEnd PassEndOf(const SectorScanner& scanner);

// The log's entry at the end of a pass. A stopped surface scan names the
// first sector it did not check:
//   "Surface scan finished: 3000 sectors, 2985 good, 10 problem, 5 error,
//    0 not checked, in 0:00:12"
//   "Surface scan stopped at sector 51: 1000 sectors, 48 good, 2 problem,
//    1 error, 949 not checked, in 0:00:01"
//   "Files test finished: 3 files, 2 good, 0 problem, 1 error, 0 not checked,
//    in 0:00:02"
//   "Copy to image finished: 3000 sectors, 2985 copied at the first read,
//    10 copied after retries, 5 not copied, 0 not read, in 0:00:12"
// and with nothing to check it says why:
//   "Surface scan finished: nothing was read, no medium in the drive"
//   "Files test finished: nothing was tested, no files found"
// The files test counts the folders it could not list, when there are any:
//   "Files test finished: 3 files, 3 good, 0 problem, 0 error, 0 not checked,
//    1 folder not listed, in 0:00:02"
//   "Files test finished: nothing was tested, 2 folders not listed"
std::u16string PassEndText(const PassEnd& end);
