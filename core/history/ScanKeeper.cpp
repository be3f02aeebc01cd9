#include "core/history/ScanKeeper.h"

#include "core/history/DiscHistory.h"
#include "core/history/DiscIdentity.h"
#include "core/history/HistoryScans.h"
#include "core/scan/ScanRecord.h"

ScanKeeper::ScanKeeper(const DeviceContext& context) : drive(DriveOf(context)) {
  known = IdentifyDisc(context, disc, unknownWhy);
}

std::vector<std::uint8_t> ScanKeeper::LastSurfaceTable(DiscHistory& history,
                                                       std::int64_t sectors) const {
  HistoryScan last;
  bool found = false;
  std::string error;
  if (!known || !history.Latest(disc, scan_kind::kSurfaceScan, last, found, error) || !found)
    return {};
  return SectorTableOf(last, sectors);
}

std::vector<std::string> ScanKeeper::Keep(DiscHistory& history, const ScanRecord& record,
                                          const ScanOptions& options) {
  return KeepScans(history, HistoryScansOf(record, options, drive));
}

std::vector<std::string> ScanKeeper::KeepScans(DiscHistory& history,
                                               std::vector<HistoryScan> scans) {
  if (scans.empty()) return {};
  if (!known) return {kHistoryNotKept + unknownWhy};
  std::string error;
  bool kept = true;
  for (HistoryScan& scan : scans) {
    scan.drive = drive;
    kept = kept && history.Record(disc, scan, error);
    if (kept && scan.kind == scan_kind::kSurfaceScan) surfaceScanId = scan.id;
  }
  std::vector<std::string> warnings = history.TakeWarnings();
  if (!kept) warnings.push_back(kHistoryNotKept + error);
  return warnings;
}

std::vector<std::string> ScanKeeper::KeepDamage(DiscHistory& history, const DamageIndex& damage) {
  if (surfaceScanId == 0) return {};
  std::string error;
  const bool kept = history.SetDamaged(surfaceScanId, DamagedRecords(damage), error);
  std::vector<std::string> warnings = history.TakeWarnings();
  if (!kept)
    warnings.push_back("the damaged files of the scan were not kept in its history: " + error);
  return warnings;
}

bool ScansOfDiscIn(const DeviceContext& context, DiscHistory& history, DiscScans& out,
                   std::string& error) {
  DiscIdentity disc;
  if (!IdentifyDisc(context, disc, error)) return false;
  return history.ScansOf(disc, out, error);
}
