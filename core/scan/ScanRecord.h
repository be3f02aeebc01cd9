// What one scan of a drive found, kept after it has ended or been stopped:
// which tests ran, when, the last progress, the table of sector states and
// the log. ScanHistory keeps the latest scan of each drive for as long as the
// program runs, so that a report can be made of it later.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/scan/ISectorScannerCallback.h"
#include "core/scan/ScanExtent.h"
#include "core/scan/SectorScanner.h"
#include "core/scan/SpeedCurve.h"
#include "core/scan/TimeValue.h"

class DamageIndex;

struct ScanLogEntry {
  LogKind kind = LogKind::Info;
  TimeValue time;
  std::u16string text;
  // The sector the entry is about, numbered as the scan's table; kNoSector
  // for none.
  std::int64_t sector = kNoSector;
};

// How many sectors of a table are in each state.
struct SectorCounts {
  std::int64_t notChecked = 0;
  std::int64_t good = 0;
  std::int64_t problem = 0;
  std::int64_t error = 0;

  // Counts one sector of the state code; an unknown code as not checked.
  void Add(std::uint8_t state);
};

// How one pass ended: its last progress and how long it took.
struct PassRecord {
  bool ran = false;
  ProgressCtx_t progress;
  std::uint64_t microseconds = 0;

  // Ended before its last sector or file (the user stopped it, or the medium
  // went).
  bool Stopped() const { return ran && progress.current < progress.total; }
};

struct ScanRecord {
  // Counts the history's scans from 1, so that work finished after a scan
  // (its damage index) is not given to the drive's next one.
  std::uint64_t number = 0;
  std::uint16_t driveLetter = 0;
  bool surfaceScan = false;
  bool filesTest = false;
  // A copy to an image, shown as a surface scan: its table holds the copy's
  // classes, and its damage index the files it lacks.
  bool copyToImage = false;
  // The image (or cue sheet) the copy writes, as its path's bytes.
  std::string copyImage;
  TimeValue start;
  // The time the last pass ended; equal to start while the scan runs.
  TimeValue end;
  // False until the scan's last pass has ended (finished or stopped).
  bool ended = false;
  // Its report or its log was saved after it had ended.
  bool saved = false;
  // The last progress report: sectors or files done, problems and errors.
  ProgressCtx_t progress;
  // The surface scan's table of sector states, one SectorState code per
  // sector of the session; empty for a files test alone.
  std::vector<std::uint8_t> sectors;
  // Where the table lies on the medium, and how its sectors are numbered.
  ScanExtent extent;
  // The surface scan's read speed over the medium.
  SpeedCurve speedCurve;
  std::vector<ScanLogEntry> log;
  // The files and structures a surface scan found damaged; set once the
  // index has been built after the scan's end, null until then and for a
  // files test alone.
  std::shared_ptr<const DamageIndex> damage;
  PassRecord surfacePass;
  PassRecord filesPass;

  SectorCounts Counts() const;
  // Keeps how pass ended, from the scanner's figures at its end.
  void EndPass(ScanPass pass, const ProgressCtx_t& passProgress, std::uint64_t microseconds);
  // Whether a pass was stopped before its end.
  bool Stopped() const { return surfacePass.Stopped() || filesPass.Stopped(); }
};

class ScanHistory {
 public:
  // Starts the record of a new scan of drive, replacing the drive's previous
  // one, and returns it. The reference stays valid until the drive's next
  // Begin.
  ScanRecord& Begin(std::uint16_t driveLetter, bool surfaceScan, bool filesTest, TimeValue start);
  // The latest scan of drive; null when it was never scanned.
  const ScanRecord* Last(std::uint16_t driveLetter) const;
  ScanRecord* Last(std::uint16_t driveLetter);
  // Forgets the drive's scan (the drive is gone).
  void Forget(std::uint16_t driveLetter) { records.erase(driveLetter); }
  // The scan begun last, of whichever drive; null when there is none.
  const ScanRecord* Newest() const;

 private:
  std::map<std::uint16_t, ScanRecord> records;
  std::uint64_t begun = 0;
};
