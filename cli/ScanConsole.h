// The receiver of a scan's reports on a console: the progress (status,
// percent, speed and the three shares, as the Scan page shows them), each log
// entry as its time and text, the entry the Scan page adds at the end of each
// pass; and it keeps the scan's record (log and passes) for the summary. On a terminal the progress
// redraws itself in place on two lines (status, then figures), a few times a second at most;
// elsewhere (a pipe, a file) it is printed as a plain line whenever the percent changes.
//
// With the direct bridge the reports run on the scanner's worker, one at a
// time; the caller reads the results once the worker has ended.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/scan/ISectorScannerCallback.h"
#include "core/scan/ScanRecord.h"

class SectorScanner;

class ScanConsole final : public ISectorScannerCallback {
 public:
  explicit ScanConsole(std::FILE* stream);

  // The scanner whose reports arrive here: it is stopped when a Ctrl-C comes
  // (Interrupt.h) or the output's reader has gone, and its flags tell which
  // pass runs.
  void Watch(SectorScanner* scanner);

  void OnScanStarted() override;
  void OnScanFinished() override;
  void OnProgress(const ProgressCtx_t& progress) override;
  void OnSurfaceState(const SurfaceState_t& state) override;
  void OnLogEntry(int kind, const TimeValue& time, const std::u16string& text,
                  std::int64_t sector) override;

  // The scan's log and how each pass ended; the caller adds the times and
  // the table once the worker has ended.
  ScanRecord& Record() { return record; }

 private:
  using Clock = std::chrono::steady_clock;

  // "16%  13x (2000.0 kbps)  Good: 99.9%  Problem: 0.1%  Error: 0.0%"
  std::string Figures(const ProgressCtx_t& progress) const;
  // Draws the line when it is due; final draws the pass's last state.
  void DrawProgress(const ProgressCtx_t& progress, bool final);
  void ClearLiveLines();

  std::FILE* stream;
  const bool live;
  SectorScanner* scanner = nullptr;

  // OnScanStarted nests: the run, then each pass inside it.
  int depth = 0;
  bool stopped = false;

  // The live lines are on screen, the cursor at the end of the second; they
  // want clearing before other output.
  bool linesShown = false;
  Clock::time_point nextDraw{};
  // Plain lines: the percent and sector count last printed.
  int printedPercent = -1;
  std::int32_t printedCurrent = -1;
  const ProgressCtx_t* lastProgress = nullptr;

  ScanRecord record;
};
