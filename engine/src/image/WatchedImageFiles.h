// The files a virtual drive reads its medium from (its image, or a cue
// sheet's BIN files), each with what it was when it was opened, so that a
// change under the drive is noticed: a file cut short, grown or written to
// (its size or modification time differ), or another file put in its place
// (its path names another file now, or none). The drive keeps the files open;
// this only looks at them.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace wrenlo {

class WatchedImageFiles {
 public:
  // Watches fd, open on path (and kept open by its drive), from its state
  // now.
  void Add(int fd, std::string path);

  // Whether any file differs from what it was when it was added.
  bool Changed() const;

 private:
  struct File {
    int fd = -1;
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
  };
  std::vector<File> files_;
};

}  // namespace wrenlo
