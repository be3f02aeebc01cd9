// history: what the scan history keeps. The scans of the disc in a drive
// (the disc told as the history tells it, so the same disc in any drive or as
// an image), every disc with its latest scan, or forgetting one scan.
#include <algorithm>

#include "cli/Commands.h"
#include "cli/DriveChoice.h"
#include "cli/Output.h"
#include "core/disc/DeviceContext.h"
#include "core/history/DiscHistory.h"
#include "core/history/HistoryTexts.h"
#include "core/history/ScanKeeper.h"
#include "core/report/EscapedText.h"

namespace {

using Row = std::vector<std::string>;

// The characters of UTF-8 text, for lining up columns.
std::size_t Width(const std::string& utf8) {
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Rows in columns two spaces apart, the last column unpadded; a disc's label
// or a path cannot move the cursor or end a line.
std::string Table(std::vector<Row> rows) {
  for (Row& row : rows)
    for (std::string& cell : row) cell = WithControlsEscaped(cell);
  std::vector<std::size_t> widths;
  for (const Row& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], Width(row[c]));
  }
  std::string out;
  for (const Row& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      out += row[c];
      if (c + 1 < row.size()) out.append(widths[c] - Width(row[c]) + 2, ' ');
    }
    out += "\n";
  }
  return out;
}

// Counts a scan of its kind has: a files test has no sector counts.
std::string Count(const HistoryScan& scan, std::int64_t count) {
  return scan.sectors > 0 ? std::to_string(count) : "-";
}

std::string KindText(const HistoryScan& scan) {
  return scan.stopped ? scan.kind + " (stopped)" : scan.kind;
}

void PrintWarnings(DiscHistory& history) {
  for (const std::string& warning : history.TakeWarnings()) PrintError("warning: " + warning);
}

int Forget(DiscHistory& history, std::int32_t id) {
  bool found = false;
  std::string error;
  const bool done = history.Forget(id, found, error);
  PrintWarnings(history);
  if (!done) {
    PrintError("history: " + error);
    return kExitFailure;
  }
  if (!found) {
    PrintError("no scan " + std::to_string(id) +
               " in the history (lumeter-cli history lists them)");
    return kExitFailure;
  }
  Print(stdout, "Forgot scan " + std::to_string(id) + ".\n");
  return kExitSuccess;
}

int AllDiscs(DiscHistory& history, bool json) {
  std::vector<HistoryDisc> discs;
  std::string error;
  const bool read = history.Discs(discs, error);
  PrintWarnings(history);
  if (!read) {
    PrintError("history: " + error);
    return kExitFailure;
  }
  if (json) {
    Print(stdout, HistoryDiscsJson(discs) + "\n");
  } else if (discs.empty()) {
    Print(stdout, "No scans are kept yet (" + history.Path() + ").\n");
  } else {
    std::vector<Row> rows = {{"Disc", "Label", "Created", "Sectors", "Scans", "Latest scan", "Kind",
                              "Problem", "Error", "Damaged files"}};
    for (const HistoryDisc& disc : discs) {
      const HistoryScan& latest = disc.latest;
      rows.push_back(
          {std::to_string(disc.id), disc.identity.label.empty() ? "-" : disc.identity.label,
           disc.identity.created.empty() ? "-" : disc.identity.created,
           std::to_string(disc.identity.sectors), std::to_string(disc.scanCount),
           HistoryTimeText(latest.time), KindText(latest), Count(latest, latest.problemSectors),
           Count(latest, latest.errorSectors), std::to_string(latest.damagedFiles)});
    }
    Print(stdout, Table(std::move(rows)));
  }
  return kExitSuccess;
}

int DiscInDrive(DiscHistory& history, char16_t drive, bool json) {
  const std::optional<std::uint16_t> letter = ChooseDrive(drive);
  if (!letter) return kExitFailure;
  const DeviceContext context(*letter);
  if (!context.hasMedium) {
    PrintError("no medium in drive " + DriveName(*letter));
    return kExitFailure;
  }
  DiscScans scans;
  std::string error;
  const bool read = ScansOfDiscIn(context, history, scans, error);
  PrintWarnings(history);
  if (!read) {
    PrintError("history of drive " + DriveName(*letter) + ": " + error);
    return kExitFailure;
  }
  if (json) {
    Print(stdout, DiscScansJson(scans) + "\n");
    return kExitSuccess;
  }
  std::string out = "Disc: " + WithControlsEscaped(HistoryDiscText(scans.disc)) + "\n";
  if (scans.scans.empty()) {
    Print(stdout, out + "No scans of this disc are kept (" + history.Path() + ").\n");
    return kExitSuccess;
  }
  std::vector<Row> rows = {
      {"Scan", "Date", "Kind", "Drive", "Good", "Problem", "Error", "Damaged files"}};
  for (const HistoryScan& scan : scans.scans)
    rows.push_back({std::to_string(scan.id), HistoryTimeText(scan.time), KindText(scan),
                    HistoryDriveText(scan.drive), Count(scan, scan.goodSectors),
                    Count(scan, scan.problemSectors), Count(scan, scan.errorSectors),
                    std::to_string(scan.damagedFiles)});
  Print(stdout, out + Table(std::move(rows)));
  return kExitSuccess;
}

}  // namespace

int RunHistory(const CommandLine& command) {
  DiscHistory history;
  if (command.forget) return Forget(history, *command.forget);
  if (command.all) return AllDiscs(history, command.json);
  return DiscInDrive(history, command.drive, command.json);
}
