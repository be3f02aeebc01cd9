// extract: every file of a session into a local folder, the sectors that
// cannot be read as zeros, with a manifest of what was written.
#include <atomic>

#include "cli/Commands.h"
#include "cli/DriveChoice.h"
#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "cli/SessionChoice.h"
#include "core/disc/DeviceContext.h"
#include "core/extract/Extractor.h"
#include "core/io/OutputFile.h"
#include "core/report/EscapedText.h"

namespace {

std::string RangesText(const std::vector<SectorRange>& ranges) {
  std::string out;
  for (const SectorRange& range : ranges) {
    if (!out.empty()) out += ", ";
    out += std::to_string(range.first);
    if (range.last != range.first) out += "-" + std::to_string(range.last);
  }
  return out;
}

std::string SummaryText(const ExtractReport& report) {
  std::string out = std::to_string(report.files) + " files in " + std::to_string(report.folders) +
                    " folders, ";
  if (report.links > 0) out += std::to_string(report.links) + " links, ";
  out += std::to_string(report.bytes) + " bytes written\n";
  for (const IncompleteFile& file : report.incomplete) {
    out += "incomplete: " + WithControlsEscaped(file.entry.discPath) + " (";
    for (std::size_t i = 0; i < file.gaps.bytes.size(); ++i) {
      if (i > 0) out += ", ";
      out += "bytes " + std::to_string(file.gaps.bytes[i].first) + "-" +
             std::to_string(file.gaps.bytes[i].last);
    }
    out += "; sectors " + RangesText(file.gaps.sectors) + ")\n";
  }
  for (const RenamedEntry& renamed : report.renamed)
    out += "renamed: " + WithControlsEscaped(renamed.entry.discPath) + " -> " +
           WithControlsEscaped(renamed.entry.localPath) + " (" + renamed.reason + ")\n";
  for (const ExtractedEntry& kept : report.kept)
    out += "not replaced: " + WithControlsEscaped(kept.localPath) + "\n";
  for (const UnmadeLink& link : report.unmadeLinks)
    out += "link not made: " + WithControlsEscaped(link.entry.discPath) + " -> " +
           WithControlsEscaped(link.target) + "\n";
  if (report.cancelled) out += "stopped before the end\n";
  return out;
}

}  // namespace

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

  std::string manifestPath = command.outputFile;
  if (manifestPath.empty() || manifestPath.back() != '/') manifestPath += '/';
  manifestPath += kExtractManifestName;
  OutputFile manifest;
  if (!manifest.Open(manifestPath, error) || !manifest.Commit(ExtractReportJson(report), error))
    PrintError(error);
  if (!report.stopped.empty()) PrintError(report.stopped);
  Print(stdout, command.json ? ExtractReportJson(report) : SummaryText(report));
  return report.Complete() && error.empty() ? kExitSuccess : kExitFound;
}
