// files and whohas: where the last session's files lie, and what lies on one
// sector. Sectors count from the start of the session, as dump's do.
#include "cli/Commands.h"
#include "cli/DriveChoice.h"
#include "cli/Output.h"
#include "core/damage/DamageIndex.h"
#include "core/disc/DeviceContext.h"
#include "core/report/Json.h"
#include "core/report/PropertyRows.h"
#include "core/report/Utf8.h"

namespace {

struct SessionLayout {
  DiscLayout layout;
  std::int32_t number = 0;
  std::int64_t start = 0;  // the session's first sector on the medium
  std::int32_t sectors = 0;
  bool complete = true;  // the whole tree was walked
};

// Reads the layout of the file system the files test walks. Returns
// kExitSuccess, or the status to end with after an error line.
int ReadLayout(const CommandLine& command, SessionLayout& out) {
  const std::optional<std::uint16_t> letter = ChooseDrive(command.drive);
  if (!letter) return kExitFailure;
  const DeviceContext context(*letter);
  if (!context.hasMedium || context.Sessions().empty()) {
    PrintError("no medium in drive " + DriveName(*letter));
    return kExitFailure;
  }
  const wrenlo::SessionInfo session = context.GetSessionInfo(-1);
  out.number = context.medium.lastSession;
  out.start = session.startSector;
  out.sectors = session.sectorCount;
  // whohas's sector, refused as dump refuses it: past the end nothing lies,
  // not even free space.
  if (command.verb == Verb::WhoHas && command.sector >= out.sectors) {
    PrintError(OutsideSessionText(command.sector, out.number, out.sectors));
    return kExitFailure;
  }
  const std::int32_t result = ReadDiscLayout(wrenlo::kCurrentDevice, session.firstTrack,
                                             wrenlo::kFileSystemAny, out.layout);
  if (result != 0 && out.layout.entries.empty()) {
    PrintError(ToUtf8(FormatText("the file system cannot be read (%d)", result)));
    return kExitFailure;
  }
  if (result != 0) {
    PrintError(ToUtf8(FormatText("the file system could not be read in full (%d)", result)));
    out.complete = false;
  }
  return kExitSuccess;
}

std::string FilesJson(const SessionLayout& session) {
  std::string out = "[";
  bool first = true;
  for (const LayoutEntry& entry : session.layout.entries) {
    if (!entry.isFile) continue;
    out += first ? "\n  {\"path\": " : ",\n  {\"path\": ";
    first = false;
    AppendJsonString(out, entry.name);
    out += ", \"size\": " + std::to_string(entry.size) + ", \"extents\": [";
    for (std::size_t r = 0; r < entry.ranges.size(); ++r) {
      const SectorRange& range = entry.ranges[r];
      out += (r == 0 ? "[" : ", [") +
             std::to_string(static_cast<std::int64_t>(range.first) - session.start) + ", " +
             std::to_string(static_cast<std::int64_t>(range.last) - session.start) + "]";
    }
    out += "]}";
  }
  out += first ? "]\n" : "\n]\n";
  return out;
}

// One line a file: its path, its size in bytes and its sector ranges.
std::string FilesText(const SessionLayout& session) {
  std::string out;
  for (const LayoutEntry& entry : session.layout.entries) {
    if (!entry.isFile) continue;
    out += WithControlsEscaped(entry.name) + "  " + std::to_string(entry.size) + " bytes ";
    for (std::size_t r = 0; r < entry.ranges.size(); ++r) {
      const SectorRange& range = entry.ranges[r];
      out += (r == 0 ? " " : ", ") +
             std::to_string(static_cast<std::int64_t>(range.first) - session.start);
      if (range.last != range.first)
        out += "-" + std::to_string(static_cast<std::int64_t>(range.last) - session.start);
    }
    out += "\n";
  }
  return out;
}

}  // namespace

int RunFiles(const CommandLine& command) {
  SessionLayout session;
  if (const int status = ReadLayout(command, session); status != kExitSuccess) return status;
  Print(stdout, command.json ? FilesJson(session) : FilesText(session));
  return session.complete ? kExitSuccess : kExitFound;
}

int RunWhoHas(const CommandLine& command) {
  SessionLayout session;
  if (const int status = ReadLayout(command, session); status != kExitSuccess) return status;
  const auto sector = static_cast<std::uint64_t>(command.sector);
  const DamageIndex index({}, static_cast<std::uint64_t>(session.start), session.layout);
  const std::vector<std::size_t> holders = index.EntriesOn(sector, sector);
  std::string out;
  for (const std::size_t holder : holders) {
    const LayoutEntry& entry = index.Layout().entries[holder];
    out += WithControlsEscaped(entry.name);
    if (entry.isFile)
      out += " (file, byte " +
             std::to_string(
                 FileByteOffset(entry, sector + static_cast<std::uint64_t>(session.start))) +
             ")";
    else
      out += " (structure)";
    out += "\n";
  }
  Print(stdout, out.empty() ? "free\n" : out);
  return kExitSuccess;
}
