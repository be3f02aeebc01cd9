#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cli/Commands.h"
#include "cli/DdrescueMap.h"
#include "cli/DdrescueMapReader.h"
#include "cli/DriveChoice.h"
#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "cli/ScanDrive.h"
#include "core/disc/DeviceContext.h"
#include "core/io/InputFiles.h"
#include "core/io/OutputFile.h"
#include "core/product/ProductInfo.h"
#include "core/report/ScanSummary.h"
#include "core/verify/ImageComparison.h"

namespace {

std::string MapComment(const std::string& drive, const DeviceContext& context) {
  return std::string("lumeter-cli (") + kProductName + " " + kProductVersion +
         "): surface scan of drive " + drive + ", session " +
         std::to_string(context.medium.lastSession);
}

// A mapfile is text of a line per block; this is far more than any has.
constexpr off_t kLargestMapFile = 64 << 20;

// The whole of the regular file at path; a FIFO or device is refused rather
// than waited on. False with error set.
bool ReadRegularFile(const std::string& path, std::string& text, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat status {};
  bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  if (!ok) error = "cannot read " + path + ": not a regular file";
  if (ok && status.st_size > kLargestMapFile) {
    error = "cannot read " + path + ": too large for a mapfile";
    ok = false;
  }
  char block[65536];
  while (ok) {
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got == 0) break;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 || text.size() + static_cast<std::size_t>(got) > kLargestMapFile) {
      error = "cannot read " + path + ": " + (got < 0 ? std::strerror(errno) : "too large");
      ok = false;
      break;
    }
    text.append(block, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return ok;
}

// The scan's options for the session of context, with the table of a
// retry's mapfile; false after printing why they do not fit.
bool ScanOptionsFor(const CommandLine& command, const DeviceContext& context,
                    ScanOptions& options) {
  options = command.scanOptions;
  const wrenlo::SessionInfo session = context.GetSessionInfo(-1);
  // Copies of the packed record's fields, which may lie unaligned.
  const std::int32_t sectorCount = session.sectorCount;
  const std::int32_t startSector = session.startSector;
  const std::int32_t count = std::max(sectorCount, 0);
  for (const std::int64_t sector : {command.firstSector, command.lastSector}) {
    if (sector < count || sector <= 0) continue;
    PrintError(OutsideSessionText(sector, context.medium.lastSession, count));
    return false;
  }
  if (command.retryFrom.empty()) return true;
  std::string text;
  std::string error;
  if (!ReadRegularFile(command.retryFrom, text, error)) {
    PrintError("retry-from: " + error);
    return false;
  }
  // The medium ends where its last session does.
  std::int64_t mediumSectors = 0;
  for (const auto& [number, info] : context.Sessions()) {
    const std::int64_t end = std::int64_t{info.startSector} + info.sectorCount;
    mediumSectors = std::max(mediumSectors, end);
  }
  if (!ReadDdrescueMap(text, std::max(startSector, 0), count, mediumSectors, options.previous,
                       error)) {
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
  const ScanRecord record =
      ScanDrive(context, surface, command.files, options, command.json ? stderr : stdout);
  const ScanResult result = SummaryOf(record);
  const std::vector<std::uint8_t>& sectors = record.sectors;

  // The map first: a summary that cannot be printed (a reader gone) must not
  // cost the result of a long scan.
  bool outputsWritten = true;
  if (!command.mapFile.empty()) {
    DdrescueMapFacts facts;
    const std::int32_t start = context.GetSessionInfo(-1).startSector;
    facts.startSector = start < 0 ? 0 : start;
    facts.finished = result.surface.unread == 0;
    facts.comment = MapComment(DriveName(*letter), context);
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
