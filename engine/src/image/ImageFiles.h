// The files a virtual drive reads its image from, kept open together with
// what each was when it was opened, so that a change under the drive is
// noticed: a file cut short, grown or written to (its size or modification
// time differ), or another file put in its place (its path names another
// file now, or none).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace wrenlo {

class ImageFiles {
 public:
  ImageFiles() = default;
  // Closes every file.
  ~ImageFiles();
  ImageFiles(ImageFiles&& other) noexcept;
  ImageFiles& operator=(ImageFiles&&) = delete;
  ImageFiles(const ImageFiles&) = delete;
  ImageFiles& operator=(const ImageFiles&) = delete;

  // Keeps fd, open on path, with its state now (closed with the rest from
  // here on). False, with errno set, when its state cannot be read.
  bool Add(int fd, std::string path);

  std::size_t Count() const { return files_.size(); }
  int Fd(std::size_t file) const { return files_[file].fd; }
  // Its size when it was opened.
  std::uint64_t Size(std::size_t file) const;

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
