// A file that appears whole or not at all: written to a temporary file beside
// its final name, flushed to the disc, then renamed over that name. A file
// that is not committed leaves nothing behind.
#pragma once

#include <string>
#include <string_view>

class AtomicFile {
 public:
  AtomicFile() = default;
  // Removes the temporary file unless Commit succeeded.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file beside path, so that a name in a folder that
  // cannot be written fails here, before any work. False with error set.
  bool Open(const std::string& path, std::string& error);
  // Writes the whole content and puts it in place under the final name.
  // False with error set, and nothing left behind.
  bool Commit(std::string_view content, std::string& error);

 private:
  void Discard();

  std::string finalPath;
  std::string temporaryPath;
  int fd = -1;
};
