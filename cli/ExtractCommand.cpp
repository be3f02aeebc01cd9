// extract: every file of a session into a local folder, the sectors that
// cannot be read as zeros, with a manifest of what was written.
#include <atomic>

#include "cli/Commands.h"
#include "cli/DriveChoice.h"
#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "cli/SessionChoice.h"
#include "core/disc/DeviceContext.h"
#include "core/extract/ExtractSummary.h"
#include "core/extract/Extractor.h"
#include "core/report/EscapedText.h"

int RunExtract(const CommandLine& command) {
  const std::optional<std::uint16_t> letter = ChooseDrive(command.drive);
  if (!letter) return kExitFailure;
  const DeviceContext context(*letter);
  const std::optional<std::int32_t> session = ChooseSession(context, command.session);
  if (!session) return kExitFailure;

  LocalFolder folder;
  std::string error;
  if (!folder.Open(command.outputFile, error)) {
    PrintError(error);
    return kExitFailure;
  }
  CatchInterrupt();
  std::atomic<bool> cancel{false};
  ExtractChoices choices;
  choices.driveLetter = *letter;
  choices.track = context.GetSessionInfo(*session).firstTrack;
  choices.replace = command.overwrite;
  choices.cancel = &cancel;
  const bool live = IsTerminal(stderr);
  Extractor extractor(choices, folder, [&](const std::u16string& path, const ExtractReport& sofar) {
    if (InterruptRequested()) cancel = true;
    if (!live) return;
    std::string line = "\r\033[K" + std::to_string(sofar.files) + " files, " +
                       std::to_string(sofar.bytes / (1024 * 1024)) +
                       " MiB: " + WithControlsEscaped(path);
    const auto columns = static_cast<std::size_t>(TerminalColumns(stderr));
    if (line.size() > columns + 4) line.resize(columns + 4);
    Print(stderr, line);
  });
  ExtractReport report;
  extractor.Run(report);
  if (live) Print(stderr, "\r\033[K");

  if (!WriteExtractManifest(command.outputFile, report, error)) PrintError(error);
  if (!report.stopped.empty()) PrintError(report.stopped);
  Print(stdout, command.json ? ExtractReportJson(report) : ExtractSummaryText(report));
  return report.Complete() && error.empty() ? kExitSuccess : kExitFound;
}
