// The files the image drives read their media from, for ListImageFiles: of
// each image drive alive (listed, or closed while a reader still holds it),
// its image or cue sheet, the sheet's files and its faults file, each known
// by the device and inode of the file opened.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

namespace wrenlo {

struct ImageFile {
  std::int32_t role = 0;  // kImageFile* of wrenlo.h
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::string path;  // as it was opened
};

// The file whose status is given, in role, opened by path.
ImageFile ImageFileOf(const struct stat& status, std::int32_t role, const std::string& path);

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
