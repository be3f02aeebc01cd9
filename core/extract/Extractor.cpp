#include "core/extract/Extractor.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "core/extract/LocalNames.h"
#include "core/report/Utf8.h"
#include "core/rescue/CopySource.h"

// One entry of a disc folder's listing.
struct FolderItem {
  std::u16string name;
  std::uint8_t attributes = 0;
  bool timeKnown = false;
  timespec modified{};

  // The time to give what is written of it; none when the disc records none,
  // so that it keeps the time of writing.
  const timespec* Time() const { return timeKnown ? &modified : nullptr; }
};

namespace {

// The longest target a local symbolic link holds, in bytes.
constexpr std::size_t kMaxLinkTargetBytes = PATH_MAX - 1;

FolderItem ItemOf(const wrenlo::DirectoryEntry& entry) {
  FolderItem item{entry.name.str(), entry.attributes, entry.modifiedKnown == 1, {}};
  item.modified.tv_sec = static_cast<time_t>(entry.modifiedSeconds);
  item.modified.tv_nsec = entry.modifiedNanoseconds;
  return item;
}

bool MediumGone(std::int32_t result) {
  return result == wrenlo::kResultNoMedium || result == wrenlo::kResultImageChanged;
}

// The names of a disc path, "/A/B/c.txt" giving A, B and c.txt.
std::vector<std::u16string> PathNames(const std::u16string& path) {
  std::vector<std::u16string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find(u'/', start), path.size());
    if (end > start) names.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

std::string GoneLine(std::int32_t result, const std::u16string& discPath) {
  return std::string("the medium could not be read any more (") + wrenlo::ResultName(result) +
         ") at " + ToUtf8(discPath);
}

// What ReadFile hands over goes to the local file; a cancel ends the read
// at its next piece, so that a long file does not hold it up.
struct FileWriting {
  LocalFolder* folder = nullptr;
  const std::atomic<bool>* cancel = nullptr;
  std::string error;
  std::uint64_t bytes = 0;
  bool failed = false;
  bool cancelled = false;
};

std::int32_t TakeBytes(void* context, const std::uint8_t* data, std::int32_t size) {
  auto* writing = static_cast<FileWriting*>(context);
  if (writing->cancel != nullptr && writing->cancel->load()) {
    writing->cancelled = true;
    return -1;
  }
  if (!writing->folder->Write(
          std::string_view(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size)),
          writing->error)) {
    writing->failed = true;
    return -1;
  }
  writing->bytes += static_cast<std::uint64_t>(size);
  return 0;
}

}  // namespace

bool Extractor::Stopped(ExtractReport& report) const {
  if (choices_.cancel != nullptr && choices_.cancel->load()) report.cancelled = true;
  return report.cancelled || !report.stopped.empty();
}

void Extractor::FromSessionStart(FileGaps& gaps) const {
  for (SectorRange& range : gaps.sectors) {
    range.first -= sessionStart_;
    range.last -= sessionStart_;
  }
}

void Extractor::Run(ExtractReport& report) {
  WithSession(report, [&] { ExtractFolder(u"", report); });
}

void Extractor::WithSession(ExtractReport& report, const std::function<void()>& walk) {
  wrenlo::TrackInformation track{};
  wrenlo::SessionInfo session{};
  if (wrenlo::GetTrackInformation(choices_.driveLetter, choices_.track, &track) == 0 &&
      wrenlo::GetSessionInformation(choices_.driveLetter, track.session, &session) == 0) {
    report.session = track.session;
    // Copied out first: the record is packed, and its field may not be
    // aligned for a reference.
    const std::int32_t start = session.startSector;
    sessionStart_ = static_cast<std::uint64_t>(std::max(start, 0));
  }
  const std::int32_t opened =
      wrenlo::OpenDiskSession(choices_.driveLetter, choices_.track, &session_,
                              wrenlo::kFileSystemAny | wrenlo::kFileSystemWithTimes);
  if (opened != 0) {
    report.stopped =
        std::string("the file system cannot be read (") + wrenlo::ResultName(opened) + ")";
  } else {
    walk();
  }
  wrenlo::CloseDiskSession(session_);
  session_ = 0;
}

// Sorted, the paths below one folder follow each other: each folder is
// entered once, when its first chosen file comes, and left after its last.
void Extractor::RunFiles(std::vector<std::u16string> discPaths, ExtractReport& report) {
  std::sort(discPaths.begin(), discPaths.end());
  discPaths.erase(std::unique(discPaths.begin(), discPaths.end()), discPaths.end());
  WithSession(report, [&] {
    std::vector<std::u16string> entered;  // the disc names of the folders entered
    std::vector<FolderNames> names{FolderNames(folder_.NameMax())};  // the names given in each
    names.back().Reserve(kExtractManifestName);
    // The listing of the folder the last file was in, for the files' times.
    std::u16string listed;
    std::vector<FolderItem> listing;
    bool listingRead = false;
    const auto leave = [&] {
      std::string error;
      if (!folder_.Leave(nullptr, error) && report.stopped.empty()) report.stopped = error;
      entered.pop_back();
      names.pop_back();
    };
    for (const std::u16string& path : discPaths) {
      if (Stopped(report)) break;
      const std::vector<std::u16string> parts = PathNames(path);
      if (parts.empty()) continue;
      std::size_t same = 0;
      while (same < entered.size() && same + 1 < parts.size() && entered[same] == parts[same])
        ++same;
      while (entered.size() > same) leave();
      std::u16string discFolder;
      for (std::size_t i = 0; i < entered.size(); ++i) discFolder += u"/" + parts[i];
      bool entering = report.stopped.empty();
      while (entering && entered.size() + 1 < parts.size()) {
        const std::u16string& name = parts[entered.size()];
        discFolder += u"/" + name;
        const LocalName local = NameIn(names.back(), name);
        if (local.Changed())
          report.renamed.push_back({{discFolder, folder_.LocalPath(local.name), 0}, local.reason});
        entering = folder_.Enter(local.name, report.stopped);
        if (!entering) break;
        ++report.folders;
        entered.push_back(name);
        names.emplace_back(folder_.NameMax());
      }
      if (!entering) break;
      if (!listingRead || listed != discFolder) {
        listing.clear();
        if (!ListFolder(discFolder, listing, report)) break;
        listed = discFolder;
        listingRead = true;
      }
      const auto item = std::find_if(listing.begin(), listing.end(), [&](const FolderItem& entry) {
        return entry.name == parts.back();
      });
      const LocalName local = NameIn(names.back(), parts.back());
      if (local.Changed())
        report.renamed.push_back({{path, folder_.LocalPath(local.name), 0}, local.reason});
      if (!ExtractFile(path, local.name, item == listing.end() ? nullptr : item->Time(), report))
        break;
    }
    while (!entered.empty()) leave();
  });
}

LocalName Extractor::NameIn(FolderNames& names, const std::u16string& discName) const {
  LocalName local = names.Add(discName);
  while (folder_.UsedThisRun(local.name)) local = names.Add(discName);
  return local;
}

bool Extractor::ListFolder(const std::u16string& discPath, std::vector<FolderItem>& items,
                           ExtractReport& report) {
  wrenlo::Handle directory = 0;
  const std::int32_t opened = wrenlo::OpenDirectory(session_, discPath.c_str(), &directory);
  auto entry = std::make_unique<wrenlo::DirectoryEntry>();
  std::int32_t result = opened;
  if (opened == 0) {
    for (std::int32_t index = 0;
         (result = wrenlo::ReadDirectory(directory, index, entry.get())) == 0; ++index)
      items.push_back(ItemOf(*entry));
    wrenlo::CloseDirectory(directory);
  }
  if (MediumGone(result)) {
    report.stopped = GoneLine(result, discPath.empty() ? u"/" : discPath);
    return false;
  }
  if (result != wrenlo::kResultEndOfDirectory)
    report.unlisted.push_back({discPath.empty() ? u"/" : discPath, wrenlo::ResultName(result)});
  return true;
}

bool Extractor::ExtractFolder(const std::u16string& discPath, ExtractReport& report) {
  // The folder's listing, then the directory closed before going down.
  std::vector<FolderItem> items;
  if (!ListFolder(discPath, items, report)) return false;
  if (!discPath.empty()) ++report.folders;  // the top one is the folder given

  FolderNames names(folder_.NameMax());
  if (discPath.empty()) names.Reserve(kExtractManifestName);
  for (const FolderItem& item : items) {
    if (Stopped(report)) return false;
    const std::u16string childPath = discPath + u"/" + item.name;
    const LocalName local = NameIn(names, item.name);
    const ExtractedEntry entry{childPath, folder_.LocalPath(local.name), 0};
    if (local.Changed()) report.renamed.push_back({entry, local.reason});
    if (item.attributes & wrenlo::kAttributeLink) {
      if (!ExtractLink(childPath, local.name, item.Time(), report)) return false;
    } else if (item.attributes & wrenlo::kAttributeDirectory) {
      if (!folder_.Enter(local.name, report.stopped)) return false;
      const bool went = ExtractFolder(childPath, report);
      // The folder's time once its contents are written, which change it.
      std::string error;
      if (!folder_.Leave(item.Time(), error) && report.stopped.empty()) report.stopped = error;
      if (!went || !report.stopped.empty()) return false;
    } else if (!ExtractFile(childPath, local.name, item.Time(), report)) {
      return false;
    }
  }
  return true;
}

bool Extractor::ExtractFile(const std::u16string& discPath, const std::string& localName,
                            const timespec* modified, ExtractReport& report) {
  if (progress_) progress_(discPath, report);
  std::string error;
  switch (folder_.CreateFile(localName, choices_.replace, error)) {
    case LocalFolder::Created::Exists:
      report.kept.push_back({discPath, folder_.LocalPath(localName), 0});
      return true;
    case LocalFolder::Created::Failed:
      report.stopped = error;
      return false;
    case LocalFolder::Created::New:
      break;
  }

  FileWriting writing;
  writing.folder = &folder_;
  writing.cancel = choices_.cancel;
  const std::int32_t result = wrenlo::ReadFile(session_, discPath.c_str(), TakeBytes, &writing);
  if (writing.cancelled) {
    // Not left half-written: like the files after it, it is not there.
    report.cancelled = true;
    if (!folder_.Discard(error)) report.stopped = error;
    return false;
  }
  if (writing.failed) {
    report.stopped = writing.error;
    folder_.Finish(nullptr, error);
    return false;
  }
  if (MediumGone(result)) {
    report.stopped = GoneLine(result, discPath);
    folder_.Finish(nullptr, error);
    return false;
  }
  std::uint64_t bytes = writing.bytes;
  if (result != 0) {
    const std::optional<LayoutEntry> placed = Placement(discPath);
    IncompleteFile incomplete{{discPath, folder_.LocalPath(localName), 0}, {}};
    if (placed) incomplete.entry.size = placed->size;
    if (placed && HeldInSectors(*placed)) {
      // Read again from the sectors, those that fail as zeros.
      if (!folder_.Restart(error)) {
        report.stopped = error;
      } else {
        DriveCopySource source(choices_.driveLetter, false, u"");
        bytes = 0;
        const FileDataEnd end = ReadFileData(
            source, *placed, choices_.reading,
            [&](std::string_view piece) {
              bytes += piece.size();
              return folder_.Write(piece, error);
            },
            incomplete.gaps, choices_.cancel);
        if (end == FileDataEnd::SinkFailed) report.stopped = error;
        if (end == FileDataEnd::MediumGone)
          report.stopped = GoneLine(wrenlo::kResultNoMedium, discPath);
        if (end == FileDataEnd::Cancelled) {
          // As a cancel during the whole read: not left cut short.
          report.cancelled = true;
          if (!folder_.Discard(error)) report.stopped = error;
          return false;
        }
      }
    } else if (placed && bytes < placed->size) {
      // Data the sectors do not hold whole (in its entry, with holes): what
      // the engine gave, then zeros; its sectors are all listed.
      incomplete.gaps.bytes.push_back({bytes, placed->size - 1});
      incomplete.gaps.sectors = placed->ranges;
      const std::string zeros(64 * 1024, '\0');
      while (bytes < placed->size && report.stopped.empty()) {
        const std::uint64_t piece = std::min<std::uint64_t>(zeros.size(), placed->size - bytes);
        if (!folder_.Write(std::string_view(zeros).substr(0, piece), error)) report.stopped = error;
        bytes += piece;
      }
    }
    FromSessionStart(incomplete.gaps);
    report.incomplete.push_back(std::move(incomplete));
  }
  report.bytes += bytes;
  ++report.files;
  if (!folder_.Finish(modified, error) && report.stopped.empty()) report.stopped = error;
  return !Stopped(report);
}

bool Extractor::ExtractLink(const std::u16string& discPath, const std::string& localName,
                            const timespec* modified, ExtractReport& report) {
  if (progress_) progress_(discPath, report);
  // The engine caps a target's length; a second call takes one longer than
  // the first room.
  std::u16string target(1024, u'\0');
  auto size = static_cast<std::int32_t>(target.size());
  std::int32_t result = wrenlo::GetLinkTarget(session_, discPath.c_str(), target.data(), &size);
  if (result == wrenlo::kResultTooLarge && size > 0) {
    target.resize(static_cast<std::size_t>(size));
    result = wrenlo::GetLinkTarget(session_, discPath.c_str(), target.data(), &size);
  }
  if (MediumGone(result)) {
    report.stopped = GoneLine(result, discPath);
    return false;
  }
  target.resize(result == 0 ? static_cast<std::size_t>(size) : 0);
  const ExtractedEntry entry{discPath, folder_.LocalPath(localName), 0};
  const std::string local = ToUtf8(target);
  if (result != 0 || local.empty() || local.find('\0') != std::string::npos ||
      local.size() > kMaxLinkTargetBytes) {
    report.unmadeLinks.push_back({entry, target});
    return true;
  }
  switch (folder_.CreateLink(localName, local, choices_.replace, modified, report.stopped)) {
    case LocalFolder::Created::Exists:
      report.kept.push_back(entry);
      return true;
    case LocalFolder::Created::Failed:
      return false;
    case LocalFolder::Created::New:
      break;
  }
  ++report.links;
  return !Stopped(report);
}

std::optional<LayoutEntry> Extractor::Placement(const std::u16string& discPath) const {
  std::vector<wrenlo::SectorRun> runs(16);
  std::uint64_t size = 0;
  auto count = static_cast<std::int32_t>(runs.size());
  std::int32_t result = wrenlo::GetFileRuns(session_, discPath.c_str(), runs.data(), &count, &size);
  if (result == wrenlo::kResultTooLarge && count > 0) {
    runs.resize(static_cast<std::size_t>(count));
    result = wrenlo::GetFileRuns(session_, discPath.c_str(), runs.data(), &count, &size);
  }
  if (result != 0) return std::nullopt;
  LayoutEntry file;
  file.kind = EntryKind::File;
  file.name = discPath;
  file.size = size;
  for (std::int32_t i = 0; i < count; ++i)
    if (runs[i].count != 0)
      file.ranges.push_back({runs[i].first, runs[i].first + runs[i].count - 1});
  return file;
}
