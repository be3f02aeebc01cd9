// The scanner's report interface and the records it reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/scan/TimeValue.h"

// The class of one sector in the table of sector states.
enum class SectorState : std::uint8_t {
  NotChecked = 0,  // not read (yet) in the current surface scan
  Good = 1,        // the first read attempt succeeded
  Problem = 2,     // a read succeeded after 1 to 4 failed attempts
  Error = 3,       // all 5 attempts failed
};

// The sector argument of ISectorScannerCallback::OnLogEntry for an entry
// that names no sector.
inline constexpr std::int64_t kNoSector = -1;

// The kind argument of ISectorScannerCallback::OnLogEntry.
enum class LogKind : int {
  Info = 0,
  Problem = 1,
  Error = 2,
};

// The progress record. The scanner owns it and passes it by reference; a
// receiver reads it only during the call.
struct ProgressCtx_t {
  std::int32_t total = 0;    // sectors of the scanned session, or files in the list
  std::int32_t current = 0;  // sectors started, or files finished
  // Sectors passed over after an error: counted in current, but never read.
  std::int32_t skipped = 0;
  std::int32_t problems = 0;  // sectors classed Problem in this pass
  std::int32_t errors = 0;    // sectors classed Error, or files that failed, in this pass
  std::int32_t speed = 0;     // bytes per second of the most recent sector read
  std::u16string text;        // status line
  // Bytes per second read over the last half second, timed to the
  // microsecond: the speed a receiver shows (0 in the files test).
  std::int32_t recentSpeed = 0;
};

// The table of sector states: one SectorState code per sector of the scanned
// session, indexed by sector number from the session's first sector.
struct SurfaceState_t {
  std::vector<std::uint8_t> sectors;
};

// The receiver of a scanner's reports. Nothing is ever deleted through it.
class ISectorScannerCallback {
 public:
  // A run or a pass begins.
  virtual void OnScanStarted() = 0;
  // A pass or the run has ended.
  virtual void OnScanFinished() = 0;
  // The progress record has changed.
  virtual void OnProgress(const ProgressCtx_t& progress) = 0;
  // The table of sector states has changed.
  virtual void OnSurfaceState(const SurfaceState_t& state) = 0;
  // One log line: its LogKind, the wall-clock time it was made, its text, and
  // the sector it is about, numbered as the table is (kNoSector for none).
  virtual void OnLogEntry(int kind, const TimeValue& time, const std::u16string& text,
                          std::int64_t sector) = 0;

 protected:
  ~ISectorScannerCallback() = default;
};
