#include <memory>

#include "cli/Commands.h"
#include "cli/DdrescueMap.h"
#include "cli/DriveChoice.h"
#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "cli/ScanConsole.h"
#include "cli/ScanResult.h"
#include "core/disc/DeviceContext.h"
#include "core/io/OutputFile.h"
#include "core/product/ProductInfo.h"
#include "core/scan/ScannerBridge.h"
#include "core/scan/SectorScanner.h"

namespace {

std::string MapComment(const std::string& drive, const DeviceContext& context) {
  return std::string("lumeter-cli (") + kProductName + " " + kProductVersion +
         "): surface scan of drive " + drive + ", session " +
         std::to_string(context.medium.lastSession);
}

}  // namespace

int RunScan(const CommandLine& command) {
  const std::optional<std::uint16_t> letter = ChooseDrive(command.drive);
  if (!letter) return kExitFailure;
  // The map's target is checked before the scan, which may take an hour.
  OutputFile mapFile;
  std::string error;
  if (!command.mapFile.empty() && !mapFile.Open(command.mapFile, error)) {
    PrintError("mapfile: " + error);
    return kExitFailure;
  }
  const DeviceContext context(*letter);
  if (!context.hasMedium) {
    PrintError("no medium in drive " + DriveName(*letter));
    return kExitFailure;
  }

  ScanResult result;
  result.filesTest = command.files;
  result.surfaceScan = command.surface || !command.files;

  // Progress and log go where the summary does not, when it is JSON.
  ScanConsole console(command.json ? stderr : stdout);
  SectorScanner scanner(std::make_unique<DirectBridge>(), &console);
  console.Watch(&scanner);
  CatchInterrupt();
  scanner.Start(result.surfaceScan, result.filesTest, &context);
  scanner.Wait();

  // The worker has ended: its records are this thread's to read.
  const std::vector<std::uint8_t>& sectors = scanner.surfaceState.sectors;
  if (result.surfaceScan) result.surface = CountSurface(sectors);
  result.stopped = console.Stopped();
  result.filesTotal = console.FilesTotal();
  result.filesChecked = console.FilesChecked();
  result.fileErrorPaths = console.FileErrorPaths();
  result.fileSystemErrors = console.FileSystemErrors();

  // The map first: a summary that cannot be printed (a reader gone) must not
  // cost the result of a long scan.
  bool mapWritten = true;
  if (!command.mapFile.empty()) {
    DdrescueMapFacts facts;
    const std::int32_t start = context.GetSessionInfo(-1).startSector;
    facts.startSector = start < 0 ? 0 : start;
    facts.finished = result.surface.unread == 0;
    facts.comment = MapComment(DriveName(*letter), context);
    const HeldStopSignals held;
    mapWritten = mapFile.Commit(DdrescueMap(sectors, facts), error);
    if (!mapWritten) PrintError("mapfile: " + error);
  }
  Print(stdout, command.json ? ScanSummaryJson(result) : ScanSummaryText(result));
  return mapWritten ? ScanExitStatus(result) : kExitFailure;
}
