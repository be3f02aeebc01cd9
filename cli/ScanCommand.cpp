#include <wrenlo/wrenlo.h>

#include <algorithm>

#include "cli/Commands.h"
#include "cli/DriveChoice.h"
#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "cli/ScanDrive.h"
#include "core/disc/DeviceContext.h"
#include "core/io/InputFiles.h"
#include "core/io/OutputFile.h"
#include "core/io/SmallFile.h"
#include "core/product/ProductInfo.h"
#include "core/report/ScanSummary.h"
#include "core/rescue/DdrescueMap.h"
#include "core/rescue/DdrescueMapReader.h"
#include "core/verify/ImageComparison.h"

namespace {

std::string MapComment(const std::string& drive, const DeviceContext& context,
                       const ScanExtent& extent) {
  const std::string what = extent.session == kWholeDisc ? "the whole disc"
                           : extent.session == kLastSession
                               ? "session " + std::to_string(context.medium.lastSession)
                               : "session " + std::to_string(extent.session);
  return std::string("lumeter-cli (") + kProductName + " " + kProductVersion +
         "): surface scan of drive " + drive + ", " + what;
}

// The scan's options for the session of context, with the table of a
// retry's mapfile; false after printing why they do not fit.
bool ScanOptionsFor(const CommandLine& command, const DeviceContext& context,
                    ScanOptions& options) {
  options = command.scanOptions;
  if (options.session > 0 && context.Sessions().count(options.session) == 0) {
    PrintError("no session " + std::to_string(options.session) + " on the medium (sessions " +
               std::to_string(context.medium.firstSession) + " to " +
               std::to_string(context.medium.lastSession) + ")");
    return false;
  }
  // The sectors scanned, numbered from the last session's start or, for
  // another session or the whole disc, from the disc's start.
  const ScanExtent extent = ExtentOf(context, options.session);
  const std::int32_t count = extent.count;
  const std::int32_t lowest = extent.spans.empty() ? 0 : extent.spans.front().first;
  for (const std::int64_t sector : {command.firstSector, command.lastSector}) {
    if (sector < count || sector <= 0) continue;
    if (extent.session == kLastSession)
      PrintError(OutsideSessionText(sector, context.medium.lastSession, count));
    else
      PrintError("sector " + std::to_string(sector) + " is outside the sectors scanned (sectors " +
                 std::to_string(lowest) + " to " + std::to_string(count - 1) + ")");
    return false;
  }
  if (command.retryFrom.empty()) return true;
  std::string text;
  std::string error;
  if (!ReadSmallFile(command.retryFrom, wrenlo::kMaxMapfileBytes, text, error)) {
    PrintError("retry-from: " + error);
    return false;
  }
  // The medium ends where its last session does.
  std::int64_t mediumSectors = 0;
  for (const auto& [number, info] : context.Sessions()) {
    const std::int64_t end = std::int64_t{info.startSector} + info.sectorCount;
    mediumSectors = std::max(mediumSectors, end);
  }
  if (!ReadDdrescueMap(text, extent.tableStart, count, mediumSectors, options.previous, error)) {
    PrintError("retry-from: " + command.retryFrom + ": " + error);
    return false;
  }
  return true;
}

}  // namespace

int RunScan(const CommandLine& command) {
  const std::optional<std::uint16_t> letter = ChooseDrive(command.drive);
  if (!letter) return kExitFailure;
  // The mapfile to retry from is read for the scan: no output may replace it.
  const InputFile retryMap(command.retryFrom, "the mapfile being retried from");
  // Nor the image compared with, which keeps itself from outputs while open.
  std::string error;
  std::shared_ptr<ImageComparison> compared;
  if (command.verb == Verb::Compare) {
    compared = std::make_shared<ImageComparison>();
    if (!compared->Open(command.compareImage, error)) {
      PrintError(error);
      return kExitFailure;
    }
  }
  // The outputs' targets are checked before the scan, which may take an hour.
  OutputFile mapFile;
  OutputFile speedFile;
  if (!command.mapFile.empty() && !mapFile.Open(command.mapFile, error)) {
    PrintError("mapfile: " + error);
    return kExitFailure;
  }
  if (!command.speedCsv.empty() && !speedFile.Open(command.speedCsv, error)) {
    PrintError("speed-csv: " + error);
    return kExitFailure;
  }
  const DeviceContext context(*letter);
  if (!context.hasMedium) {
    PrintError("no medium in drive " + DriveName(*letter));
    return kExitFailure;
  }

  ScanOptions options;
  if (!ScanOptionsFor(command, context, options)) return kExitFailure;
  options.compareWith = compared;
  const bool surface = command.surface || !command.files;
  // Progress and log go where the summary does not, when it is JSON.
  const ScanRecord record = ScanDrive(context, surface, command.files, options,
                                      command.json ? stderr : stdout, !command.noHistory);
  const ScanResult result = SummaryOf(record);
  const std::vector<std::uint8_t>& sectors = record.sectors;

  // The map first: a summary that cannot be printed (a reader gone) must not
  // cost the result of a long scan.
  bool outputsWritten = true;
  if (!command.mapFile.empty()) {
    DdrescueMapFacts facts;
    facts.startSector = record.extent.tableStart;
    facts.finished = result.surface.unread == 0;
    facts.comment = MapComment(DriveName(*letter), context, record.extent);
    const HeldStopSignals held;
    outputsWritten = mapFile.Commit(DdrescueMap(sectors, facts), error);
    if (!outputsWritten) PrintError("mapfile: " + error);
  }
  if (!command.speedCsv.empty()) {
    const HeldStopSignals held;
    const std::string csv = SpeedCurveCsv(record.speedCurve);
    const bool written = speedFile.Commit(csv, error);
    if (!written) PrintError("speed-csv: " + error);
    outputsWritten = outputsWritten && written;
  }
  Print(stdout, command.json ? ScanSummaryJson(result) : ScanSummaryText(result));
  // A scan whose output files could not be written failed, whatever it found.
  return outputsWritten ? ScanExitStatus(result) : kExitFailure;
}
