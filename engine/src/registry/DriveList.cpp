#include "registry/DriveList.h"

#include "Text.h"
#include "image/ImageBackend.h"

namespace wrenlo {

namespace {

void Add(std::vector<DriveEntry>& list, const std::u16string& name,
         std::shared_ptr<Backend> backend, const std::u16string& problem) {
  DriveEntry entry;
  entry.letter = static_cast<char16_t>(kFirstDriveLetter + list.size());
  entry.text = std::u16string(1, entry.letter) + u": " + name;
  if (backend) {
    entry.backend = std::move(backend);
  } else {
    entry.text = u"#" + entry.text + u": " + problem;
  }
  list.push_back(std::move(entry));
}

std::string_view FileName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return name.empty() ? path : name;
}

}  // namespace

std::vector<DriveEntry> BuildDriveList(std::vector<FoundDrive> drives, std::string_view images) {
  constexpr std::size_t kLetters = kLastDriveLetter - kFirstDriveLetter + 1;
  std::vector<DriveEntry> list;
  for (FoundDrive& drive : drives) {
    if (list.size() == kLetters) return list;
    Add(list, drive.name, std::move(drive.backend), drive.problem);
  }
  std::size_t begin = 0;
  while (begin <= images.size() && list.size() < kLetters) {
    const std::size_t end = std::min(images.find(':', begin), images.size());
    const std::string path(images.substr(begin, end - begin));
    begin = end + 1;
    if (path.empty()) continue;
    std::u16string problem;
    std::shared_ptr<Backend> backend = ImageBackend::Open(path, problem);
    Add(list, FromUtf8(FileName(path)), std::move(backend), problem);
  }
  return list;
}

}  // namespace wrenlo
