// files and whohas: where a session's files lie, and what lies on one sector.
// Sectors count from the start of their session, as dump's do; on a disc of
// several sessions each run says which session it lies in.
#include <map>

#include "cli/Commands.h"
#include "cli/DriveChoice.h"
#include "cli/Output.h"
#include "cli/SessionChoice.h"
#include "core/damage/DamageIndex.h"
#include "core/disc/DeviceContext.h"
#include "core/report/DamageTexts.h"
#include "core/report/Json.h"
#include "core/report/PropertyRows.h"
#include "core/report/Utf8.h"

namespace {

// A run of sectors as a session numbers them.
struct SessionRange {
  std::int32_t session = 0;
  std::uint64_t first = 0;
  std::uint64_t last = 0;
};

// The sessions of a medium by their first sector, to number any sector from
// the start of the session it lies in.
class SessionNumbering {
 public:
  explicit SessionNumbering(const DeviceContext& context) {
    for (const auto& [number, info] : context.Sessions()) {
      const std::int32_t start = info.startSector;
      starts_.emplace(static_cast<std::uint64_t>(std::max(start, 0)), number);
    }
  }

  bool Several() const { return starts_.size() > 1; }

  // The session sector lies in (the last one starting at or before it,
  // whatever lies between sessions), and the run as it numbers it.
  SessionRange Of(const SectorRange& range) const {
    auto found = starts_.upper_bound(range.first);
    if (found == starts_.begin())
      return {starts_.empty() ? 0 : starts_.begin()->second, range.first, range.last};
    --found;
    return {found->second, range.first - found->first, range.last - found->first};
  }

 private:
  std::map<std::uint64_t, std::int32_t> starts_;
};

struct FileListing {
  DiscLayout layout;
  std::int32_t session = 0;
  // Folders the files test's tree could not list: "/PATH: why".
  std::vector<std::u16string> unlisted;
};

std::string Escaped(const std::u16string& text) { return WithControlsEscaped(text); }

// Reads the layout of the tree the files test reads in the session asked
// for. Returns kExitSuccess, or the status to end with after an error line.
int ReadFiles(const CommandLine& command, const DeviceContext& context, FileListing& out) {
  const std::optional<std::int32_t> session = ChooseSession(context, command.session);
  if (!session) return kExitFailure;
  out.session = *session;
  const wrenlo::SessionInfo info = context.GetSessionInfo(*session);
  const std::int32_t result =
      ReadDiscLayout(wrenlo::kCurrentDevice, info.firstTrack, wrenlo::kFileSystemAny, out.layout);
  if (result == wrenlo::kResultNoFileSystem) {
    PrintError(command.session ? "no file system in session " + std::to_string(*session)
                               : std::string("no file system on this disc"));
    return kExitFound;
  }
  if (result != 0 && out.layout.entries.empty()) {
    PrintError(std::string("the file system cannot be read: ") + wrenlo::ResultName(result));
    return kExitFound;
  }
  for (const LayoutEntry& entry : out.layout.entries) {
    if (!entry.filesTestTree || entry.directory.empty() || entry.result == 0) continue;
    std::u16string what = entry.directory + u": ";
    for (const char* c = wrenlo::ResultName(entry.result); *c != 0; ++c) what.push_back(*c);
    out.unlisted.push_back(std::move(what));
  }
  if (result != 0 && out.unlisted.empty())
    PrintError(std::string("the file system could not be read in full: ") +
               wrenlo::ResultName(result));
  for (const std::u16string& what : out.unlisted) PrintError("folder left out: " + Escaped(what));
  return kExitSuccess;
}

bool Listed(const LayoutEntry& entry) {
  return entry.filesTestTree && (entry.IsFile() || entry.kind == EntryKind::Link);
}

// The session of a file: where its data starts, else the session listed.
std::int32_t FileSession(const LayoutEntry& entry, const SessionNumbering& sessions,
                         std::int32_t listed) {
  return entry.ranges.empty() ? listed : sessions.Of(entry.ranges.front()).session;
}

std::string FilesJson(const FileListing& listing, const SessionNumbering& sessions) {
  std::string out = "{\"session\": " + std::to_string(listing.session) + ",\n \"files\": [";
  bool first = true;
  for (const LayoutEntry& entry : listing.layout.entries) {
    if (!Listed(entry)) continue;
    out += first ? "\n  {\"path\": " : ",\n  {\"path\": ";
    first = false;
    AppendJsonString(out, entry.name);
    if (entry.kind == EntryKind::Link) {
      out += ", \"type\": \"symlink\", \"target\": ";
      AppendJsonString(out, entry.target);
      out += "}";
      continue;
    }
    out += ", \"type\": \"file\", \"size\": " + std::to_string(entry.size) +
           ", \"session\": " + std::to_string(FileSession(entry, sessions, listing.session)) +
           ", \"extents\": [";
    for (std::size_t r = 0; r < entry.ranges.size(); ++r) {
      const SessionRange range = sessions.Of(entry.ranges[r]);
      out += (r == 0 ? "{" : ", {") + std::string("\"session\": ") + std::to_string(range.session) +
             ", \"first\": " + std::to_string(range.first) +
             ", \"last\": " + std::to_string(range.last) + "}";
    }
    out += "]}";
  }
  out += first ? "],\n" : "\n ],\n";
  out += " \"file_system_errors\": [";
  for (std::size_t i = 0; i < listing.unlisted.size(); ++i) {
    if (i != 0) out += ", ";
    AppendJsonString(out, listing.unlisted[i]);
  }
  return out + "]}\n";
}

// One line a file: its path, its size in bytes and its sector ranges, each
// in its session when the disc has several ("(session 1) 33-130"); a link
// with its target.
std::string FilesText(const FileListing& listing, const SessionNumbering& sessions) {
  std::string out;
  for (const LayoutEntry& entry : listing.layout.entries) {
    if (!Listed(entry)) continue;
    if (entry.kind == EntryKind::Link) {
      out += Escaped(entry.name) + " -> " + Escaped(entry.target) + "\n";
      continue;
    }
    out += Escaped(entry.name) + "  " + std::to_string(entry.size) + " bytes ";
    for (std::size_t r = 0; r < entry.ranges.size(); ++r) {
      const SessionRange range = sessions.Of(entry.ranges[r]);
      out += r == 0 ? " " : ", ";
      if (sessions.Several()) out += "(session " + std::to_string(range.session) + ") ";
      out += std::to_string(range.first);
      if (range.last != range.first) out += "-" + std::to_string(range.last);
    }
    out += "\n";
  }
  return out;
}

}  // namespace

int RunFiles(const CommandLine& command) {
  const std::optional<std::uint16_t> letter = ChooseDrive(command.drive);
  if (!letter) return kExitFailure;
  const DeviceContext context(*letter);
  FileListing listing;
  if (const int status = ReadFiles(command, context, listing); status != kExitSuccess)
    return status;
  const SessionNumbering sessions(context);
  Print(stdout, command.json ? FilesJson(listing, sessions) : FilesText(listing, sessions));
  return listing.unlisted.empty() && listing.layout.result == 0 ? kExitSuccess : kExitFound;
}

int RunWhoHas(const CommandLine& command) {
  const std::optional<std::uint16_t> letter = ChooseDrive(command.drive);
  if (!letter) return kExitFailure;
  const DeviceContext context(*letter);
  const std::optional<std::int32_t> session = ChooseSession(context, command.session);
  if (!session || !SectorInSession(context, *session, command.sector)) return kExitFailure;
  DiscLayout layout;
  const std::int32_t result = ReadMediumLayout(wrenlo::kCurrentDevice, layout);
  if (result != 0 && layout.entries.empty()) {
    PrintError(std::string("the disc's layout cannot be read: ") + wrenlo::ResultName(result));
    return kExitFound;
  }
  const std::int32_t startSector = context.GetSessionInfo(*session).startSector;
  const auto start = static_cast<std::uint64_t>(std::max(startSector, 0));
  const auto sector = static_cast<std::uint64_t>(command.sector);
  const DamageIndex index({}, start, std::move(layout));
  std::string out;
  for (const std::size_t holder : index.EntriesOn(sector, sector)) {
    const LayoutEntry& entry = index.Layout().entries[holder];
    out += Escaped(HolderName(entry, sector + start));
    if (entry.IsFile())
      out += " (file, byte " + std::to_string(FileByteOffset(entry, sector + start)) + ")";
    else if (entry.kind == EntryKind::Structure)
      out += " (structure)";
    out += "\n";
  }
  Print(stdout, out.empty() ? "free\n" : out);
  return kExitSuccess;
}
