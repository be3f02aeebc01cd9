#include "cli/Commands.h"
#include "cli/DdrescueMap.h"
#include "cli/DriveChoice.h"
#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "cli/ScanDrive.h"
#include "core/disc/DeviceContext.h"
#include "core/io/OutputFile.h"
#include "core/product/ProductInfo.h"
#include "core/report/ScanSummary.h"

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

  const bool surface = command.surface || !command.files;
  // Progress and log go where the summary does not, when it is JSON.
  const ScanRecord record =
      ScanDrive(context, surface, command.files, command.json ? stderr : stdout);
  const ScanResult result = SummaryOf(record);
  const std::vector<std::uint8_t>& sectors = record.sectors;

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
