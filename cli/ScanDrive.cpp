#include "cli/ScanDrive.h"

#include <memory>
#include <optional>

#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "cli/ScanConsole.h"
#include "core/damage/BuildDamageIndex.h"
#include "core/disc/DeviceContext.h"
#include "core/history/DiscHistory.h"
#include "core/history/ScanKeeper.h"
#include "core/scan/ScannerBridge.h"
#include "core/scan/SectorScanner.h"

ScanRecord ScanDrive(const DeviceContext& context, bool surface, bool files,
                     const ScanOptions& options, std::FILE* progress, bool keepHistory) {
  std::optional<ScanKeeper> keeper;
  if (keepHistory) keeper.emplace(context);
  ScanConsole console(progress);
  SectorScanner scanner(std::make_unique<DirectBridge>(), &console);
  console.Watch(&scanner);
  scanner.options = options;
  CatchInterrupt();
  const TimeValue start = TimeValue::Now();
  scanner.Start(surface, files, &context);
  scanner.Wait();

  // The worker has ended: its records are this thread's to read.
  ScanRecord record = std::move(console.Record());
  record.driveLetter = context.driveLetter;
  record.surfaceScan = surface;
  record.filesTest = files;
  record.start = start;
  record.end = TimeValue::Now();
  record.ended = true;
  if (surface) {
    record.sectors = scanner.surfaceState.sectors;
    record.speedCurve = scanner.speedCurve;
    record.extent = scanner.extent;
    // The files and structures on the table, as the window indexes them.
    record.damage = BuildDamageIndex(context.driveLetter, record.extent.AsSessionInfo(),
                                     record.sectors, nullptr);
  }
  if (keeper) {
    DiscHistory history;
    for (const std::string& warning : keeper->Keep(history, record, options))
      PrintError("warning: " + warning);
  }
  return record;
}
