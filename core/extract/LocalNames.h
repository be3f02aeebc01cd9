// The names extracted files get in the local folder. A disc's name can hold
// what a local name must not ('/', NUL, control characters, "." and "..",
// unpaired UTF-16 surrogates) or be longer than the local file system takes;
// such a name is made safe, and two names that become the same in one folder
// are both kept, the later one with a number. Every name that changed is
// reported, so that the manifest can list it.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

// Why a name was changed; empty when it was kept as it was.
struct LocalName {
  std::string name;    // UTF-8, one path component, never "", "." or ".."
  std::string reason;  // "unsafe characters", "too long", "same name as another", or several, ", "
  bool Changed() const { return !reason.empty(); }
};

// The local name of one disc name, on its own: characters a local name
// cannot hold become '_', an unpaired surrogate U+FFFD, "" "." ".." get a
// '_' in front, and a name longer than maxBytes (UTF-8) is cut at a
// character's end, keeping a short extension.
LocalName SafeLocalName(std::u16string_view discName, std::size_t maxBytes);

// The names given in one local folder, so that no two entries share one.
class FolderNames {
 public:
  explicit FolderNames(std::size_t maxBytes) : maxBytes_(maxBytes) {}

  // The safe local name of discName that no earlier entry of this folder
  // took: "name (2).ext", "name (3).ext", ... when it is taken.
  LocalName Add(std::u16string_view discName);
  // Keeps name for something else written in the folder (the manifest), so
  // that no disc name takes it.
  void Reserve(const std::string& name) { taken_.insert(name); }

 private:
  std::size_t maxBytes_;
  std::set<std::string> taken_;
};
