// One decoded file system (ISO 9660, Joliet or UDF) of one session, as the
// directory and verify operations use it. Implementations are immutable after
// they open and safe to use from several threads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Result.h"

namespace wrenlo {

struct DirectoryItem {
  std::u16string name;  // without any path; never "." or ".."
  bool isDirectory = false;
};

// A run of sectors holding file data, by absolute address on the medium.
// 64-bit so that a hostile extent past the 32-bit range can be reported as
// outside the medium rather than wrap around.
struct Extent {
  std::uint64_t start = 0;
  std::uint64_t count = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Children of the directory at path: names joined by '\', "" = the root.
  virtual Result ListDirectory(std::u16string_view path, std::vector<DirectoryItem>& out) const = 0;
  // The sectors holding a file's data, in file order; an empty list for a file
  // whose data is embedded in its entry or that is empty.
  virtual Result FileExtents(std::u16string_view path, std::vector<Extent>& out) const = 0;
};

}  // namespace wrenlo
