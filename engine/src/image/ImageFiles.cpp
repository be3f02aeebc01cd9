#include "image/ImageFiles.h"

#include <unistd.h>

#include <map>
#include <mutex>

namespace wrenlo {

namespace {

struct Listing {
  std::mutex mutex;
  std::uint64_t lastId = 0;
  std::map<std::uint64_t, std::vector<ImageFile>> files;  // by drive
};

Listing& TheListing() {
  // Never destroyed: drives and inputs may still go during the program's exit.
  static Listing& listing = *new Listing;
  return listing;
}

std::uint64_t Add(std::vector<ImageFile> files) {
  Listing& listing = TheListing();
  const std::lock_guard lock(listing.mutex);
  const std::uint64_t id = ++listing.lastId;
  listing.files.emplace(id, std::move(files));
  return id;
}

}  // namespace

ImageFile ImageFileOf(const struct stat& status, std::int32_t role, const std::string& path) {
  ImageFile file;
  file.role = role;
  file.device = static_cast<std::uint64_t>(status.st_dev);
  file.inode = static_cast<std::uint64_t>(status.st_ino);
  file.path = path;
  return file;
}

ImageFile HeldImageFile(int fd, std::int32_t role, const std::string& path) {
  struct stat status {};
  ::fstat(fd, &status);
  ImageFile file = ImageFileOf(status, role, path);
  file.heldOpen = std::shared_ptr<const int>(new int(fd), [](const int* held) {
    ::close(*held);
    delete held;
  });
  return file;
}

ListedImageFiles::ListedImageFiles(std::vector<ImageFile> files) : id_(Add(std::move(files))) {}

ListedImageFiles::~ListedImageFiles() {
  Listing& listing = TheListing();
  const std::lock_guard lock(listing.mutex);
  listing.files.erase(id_);
}

std::vector<ImageFile> AllImageFiles() {
  Listing& listing = TheListing();
  const std::lock_guard lock(listing.mutex);
  std::vector<ImageFile> all;
  for (const auto& [id, files] : listing.files) all.insert(all.end(), files.begin(), files.end());
  return all;
}

}  // namespace wrenlo
