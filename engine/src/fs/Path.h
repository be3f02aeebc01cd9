// Paths into a file system's tree as the engine's operations take them: each
// name after a '/', from the root ("/DOCS/A.TXT"); "" and "/" are the root. A
// name holds any character but '/' and NUL, so a '\' stays part of its name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wrenlo {

// The names of path, in order; false when one of them is empty ("/A//B",
// "/A/").
inline bool SplitPath(std::u16string_view path, std::vector<std::u16string_view>& names) {
  names.clear();
  if (!path.empty() && path.front() == u'/') path.remove_prefix(1);
  if (path.empty()) return true;
  while (true) {
    const std::size_t end = path.find(u'/');
    const std::u16string_view name = path.substr(0, end);
    if (name.empty()) return false;
    names.push_back(name);
    if (end == std::u16string_view::npos) return true;
    path.remove_prefix(end + 1);
  }
}

// The path of name in the directory at parent ("" for the root).
inline std::u16string ChildPath(std::u16string_view parent, std::u16string_view name) {
  std::u16string path(parent);
  path += u'/';
  path += name;
  return path;
}

// Whether a path can reach name: not empty, not the directory itself or its
// parent under another spelling, and without '/' or NUL.
inline bool IsAddressable(std::u16string_view name) {
  return !name.empty() && name != u"." && name != u".." &&
         name.find_first_of(std::u16string_view(u"/\0", 2)) == std::u16string_view::npos;
}

}  // namespace wrenlo
