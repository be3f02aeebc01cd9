#include "image/WatchedImageFiles.h"

#include <sys/stat.h>

namespace wrenlo {

void WatchedImageFiles::Add(int fd, std::string path) {
  File file;
  file.fd = fd;
  file.path = std::move(path);
  struct stat status {};
  if (::fstat(fd, &status) == 0) {
    file.device = status.st_dev;
    file.inode = status.st_ino;
    file.size = status.st_size;
    file.modified = status.st_mtim;
  }
  files_.push_back(std::move(file));
}

bool WatchedImageFiles::Changed() const {
  for (const File& file : files_) {
    struct stat now {};
    if (::fstat(file.fd, &now) != 0 || now.st_size != file.size ||
        now.st_mtim.tv_sec != file.modified.tv_sec || now.st_mtim.tv_nsec != file.modified.tv_nsec)
      return true;
    // The path names the file still: not removed, not replaced by a rename.
    struct stat named {};
    if (::stat(file.path.c_str(), &named) != 0 || named.st_dev != file.device ||
        named.st_ino != file.inode)
      return true;
  }
  return false;
}

}  // namespace wrenlo
