#include "core/verify/ChecksumCheck.h"

#include <algorithm>
#include <set>

#include "core/report/Utf8.h"

namespace {

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return text;
}

std::string_view FileName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::vector<std::string> ChecksumCheck::ListsAmong(const std::vector<std::string>& files) {
  std::vector<std::string> lists;
  for (const std::string& file : files) {
    if (ChecksumListKind(FromUtf8(FileName(file)))) lists.push_back(file);
  }
  return lists;
}

void ChecksumCheck::AddList(const std::string& path, std::string_view text,
                            const std::vector<DigestBytes>& ownDigests) {
  const std::optional<HashKind> kind = ChecksumListKind(FromUtf8(FileName(path)));
  if (!kind) return;
  ParsedList parsed = ParseChecksumList(text, *kind);
  report_.lists.push_back(path);
  report_.malformedLines += parsed.malformedLines;
  report_.refusedPaths += parsed.refusedPaths;
  if (parsed.capped)
    report_.notes.push_back(path + ": more than " + std::to_string(kMaxListEntries) +
                            " entries, the rest left out");
  lists_.push_back({path, std::move(parsed.entries), ownDigests});
}

void ChecksumCheck::AddUnusedList(const std::string& path, const std::string& why) {
  report_.notes.push_back(path + ": " + why + ", not used");
}

void ChecksumCheck::Resolve(const std::vector<std::string>& files) {
  const std::set<std::string> onDisc(files.begin(), files.end());
  // A name in another case counts only when it is the only such name.
  std::unordered_map<std::string, std::string> byLowerName;
  std::set<std::string> ambiguous;
  for (const std::string& file : files) {
    const auto [at, added] = byLowerName.emplace(LowerAscii(file), file);
    if (!added) ambiguous.insert(at->first);
  }
  std::set<std::string> missing;
  for (const List& list : lists_) {
    const std::string folder = list.path.substr(0, list.path.rfind('/') + 1);
    for (const ChecksumEntry& entry : list.entries) {
      std::string file = folder + entry.path;
      if (onDisc.count(file) == 0) {
        const std::string lower = LowerAscii(file);
        const auto found = byLowerName.find(lower);
        if (found == byLowerName.end() || ambiguous.count(lower) != 0) {
          missing.insert(file);
          continue;
        }
        file = found->second;
      }
      if (file == list.path) {
        ++report_.selfNamed;
        continue;
      }
      byFile_[file].push_back({entry.kind, entry.digest});
    }
  }
  report_.missing.assign(missing.begin(), missing.end());
  // The lists were read before any list was known; their digests of every
  // kind stand in for a read now.
  for (const List& list : lists_) {
    if (byFile_.count(list.path) == 0) continue;
    std::vector<DigestBytes> digests;
    for (const HashKind kind : KindsFor(list.path))
      digests.push_back(list.ownDigests[static_cast<std::size_t>(kind)]);
    Record(list.path, &digests);
  }
}

std::vector<HashKind> ChecksumCheck::KindsFor(const std::string& file) const {
  std::vector<HashKind> kinds;
  const auto found = byFile_.find(file);
  if (found == byFile_.end()) return kinds;
  for (const Expected& expected : found->second) kinds.push_back(expected.kind);
  std::sort(kinds.begin(), kinds.end());
  kinds.erase(std::unique(kinds.begin(), kinds.end()), kinds.end());
  return kinds;
}

bool ChecksumCheck::Record(const std::string& file, const std::vector<DigestBytes>* digests) {
  const auto found = byFile_.find(file);
  if (found == byFile_.end()) return false;
  const std::vector<Expected> expected = std::move(found->second);
  byFile_.erase(found);  // each file's outcome counts once
  if (digests == nullptr) {
    report_.unreadable.push_back(file);
    return false;
  }
  std::vector<HashKind> kinds;
  for (const Expected& e : expected) kinds.push_back(e.kind);
  std::sort(kinds.begin(), kinds.end());
  kinds.erase(std::unique(kinds.begin(), kinds.end()), kinds.end());
  bool differs = false;
  for (const Expected& e : expected) {
    const auto at =
        static_cast<std::size_t>(std::find(kinds.begin(), kinds.end(), e.kind) - kinds.begin());
    const DigestBytes actual = at < digests->size() ? (*digests)[at] : DigestBytes();
    if (actual == e.digest) continue;
    differs = true;
    report_.mismatches.push_back({file, e.kind, e.digest, actual});
  }
  if (differs)
    report_.differ.push_back(file);
  else
    ++report_.matched;
  return differs;
}
