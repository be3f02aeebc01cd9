// report: the drive, its medium and optionally a scan run first, written as
// one HTML or JSON file, as the window's Save Report writes it.
#include "cli/Commands.h"
#include "cli/DriveChoice.h"
#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "cli/ScanDrive.h"
#include "core/disc/DeviceContext.h"
#include "core/history/DiscHistory.h"
#include "core/history/ScanKeeper.h"
#include "core/io/OutputFile.h"
#include "core/report/DiscReport.h"
#include "core/report/ScanSummary.h"

int RunReport(const CommandLine& command) {
  const std::optional<std::uint16_t> letter = ChooseDrive(command.drive);
  if (!letter) return kExitFailure;
  // The target is checked before a scan, which may take an hour.
  OutputFile file;
  std::string error;
  if (!file.Open(command.outputFile, error)) {
    PrintError("report: " + error);
    return kExitFailure;
  }
  const DeviceContext context(*letter);
  const bool scan = command.surface || command.files;
  if (scan && !context.hasMedium) {
    PrintError("no medium in drive " + DriveName(*letter));
    return kExitFailure;
  }
  ScanRecord record;
  if (scan)
    record = ScanDrive(context, command.surface, command.files, ScanOptions{}, stdout,
                       !command.noHistory);
  DiscReport report = MakeDiscReport(context, scan ? &record : nullptr);
  // The disc's kept scans, the one just run among them; a history that
  // cannot be read leaves them out of the report, with a warning.
  if (!command.noHistory && context.hasMedium) {
    DiscHistory history;
    DiscScans scans;
    if (ScansOfDiscIn(context, history, scans, error))
      report.history = std::move(scans);
    else
      PrintError("warning: the report holds no history: " + error);
    for (const std::string& warning : history.TakeWarnings()) PrintError("warning: " + warning);
  }
  const HeldStopSignals held;
  if (!file.Commit(command.json ? ReportJson(report) : ReportHtml(report), error)) {
    PrintError("report: " + error);
    return kExitFailure;
  }
  return scan ? ScanExitStatus(SummaryOf(record)) : kExitSuccess;
}
