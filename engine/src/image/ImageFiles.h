// The files the image drives read their media from, for ListImageFiles: of
// each image drive alive (listed, or closed while a reader still holds it),
// its image or cue sheet, the sheet's files and its faults file, each known
// by the device and inode of the file opened. Every one of them stays open
// while it is listed, so that its inode is never given to another file.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wrenlo {

struct ImageFile {
  std::int32_t role = 0;  // kImageFile* of wrenlo.h
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::string path;  // as it was opened
  // A file its drive does not keep open itself (a cue sheet, a faults file,
  // read once) is kept open here, until the last copy goes.
  std::shared_ptr<const int> heldOpen;
};

// The file whose status is given, in role, opened by path; its drive keeps it
// open.
ImageFile ImageFileOf(const struct stat& status, std::int32_t role, const std::string& path);

// The file open as fd, in role, opened by path, kept open (and closed) by
// the ImageFile and its copies.
ImageFile HeldImageFile(int fd, std::int32_t role, const std::string& path);

// Lists one drive's files while it lives.
class ListedImageFiles {
 public:
  explicit ListedImageFiles(std::vector<ImageFile> files);
  ~ListedImageFiles();
  ListedImageFiles(const ListedImageFiles&) = delete;
  ListedImageFiles& operator=(const ListedImageFiles&) = delete;

 private:
  const std::uint64_t id_;
};

// Every file listed now.
std::vector<ImageFile> AllImageFiles();

}  // namespace wrenlo
