// Keeps a scan run in the history, for the window and the command line
// alike. The disc is identified when the run starts, so that the run is kept
// as a scan of the disc it read even when another is in the drive at its
// end. What cannot be kept never stops the scan: it comes back as a warning
// to show, one per run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/history/HistoryRecords.h"
#include "core/scan/ScanOptions.h"

class DamageIndex;
class DeviceContext;
class DiscHistory;
struct ScanRecord;

class ScanKeeper {
 public:
  // Identifies the disc in context's drive (a few sector reads).
  explicit ScanKeeper(const DeviceContext& context);

  // The disc; null when it could not be told (Keep then says why).
  const DiscIdentity* Disc() const { return known ? &disc : nullptr; }

  // The table of sector states of the disc's latest surface scan in history
  // when it covered a session of sectors sectors; empty when there is none.
  std::vector<std::uint8_t> LastSurfaceTable(DiscHistory& history, std::int64_t sectors) const;

  // Records the passes of an ended run that read anything, with its damaged
  // files when its damage index is there. The warnings to show: the history's own (a
  // damaged file moved aside), and "the scan's history was not kept: why".
  std::vector<std::string> Keep(DiscHistory& history, const ScanRecord& record,
                                const ScanOptions& options);
  // Records scans of any kind made of the run (a copy, a compare), their
  // drive set to this one's; the warnings as Keep's. Nothing for none.
  std::vector<std::string> KeepScans(DiscHistory& history, std::vector<HistoryScan> scans);
  // Adds the damaged files of the kept surface scan, once its index is
  // built; nothing when the run was not kept.
  std::vector<std::string> KeepDamage(DiscHistory& history, const DamageIndex& damage);

  // The id the run's surface scan was kept under; 0 when it was not.
  std::int64_t SurfaceScanId() const { return surfaceScanId; }

 private:
  bool known = false;
  DiscIdentity disc;
  std::string unknownWhy;
  HistoryDrive drive;
  std::int64_t surfaceScanId = 0;
};

// The kept scans of the disc in context's drive, oldest first (none when it
// was never scanned). False, with error set, when the disc cannot be told or
// the history cannot be read.
bool ScansOfDiscIn(const DeviceContext& context, DiscHistory& history, DiscScans& out,
                   std::string& error);

// The start of the warning that a run was not kept.
inline constexpr char kHistoryNotKept[] = "the scan's history was not kept: ";
