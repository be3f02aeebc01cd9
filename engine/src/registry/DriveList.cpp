#include "registry/DriveList.h"

#include "Text.h"
#include "image/CueBackend.h"
#include "image/ImageBackend.h"

namespace wrenlo {

namespace {

constexpr std::size_t kLetters = kLastDriveLetter - kFirstDriveLetter + 1;

void Add(std::vector<DriveEntry>& list, const std::u16string& name, const std::u16string& path,
         std::shared_ptr<Backend> backend, const std::u16string& problem) {
  DriveEntry entry;
  entry.letter = static_cast<char16_t>(kFirstDriveLetter + list.size());
  entry.name = name;
  entry.path = path;
  entry.text = std::u16string(1, entry.letter) + u": " + name;
  if (backend) {
    entry.backend = std::move(backend);
  } else {
    entry.reason = name + u": " + problem;
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

std::vector<ImageDrive> OpenImages(std::string_view images) {
  std::vector<ImageDrive> opened;
  std::size_t begin = 0;
  while (begin <= images.size() && opened.size() < kLetters) {
    const std::size_t end = std::min(images.find(':', begin), images.size());
    const std::string path(images.substr(begin, end - begin));
    begin = end + 1;
    if (path.empty()) continue;
    ImageDrive image;
    image.name = FromUtf8(FileName(path));
    image.path = FromUtf8(path);
    if (IsCueSheetPath(path))
      image.backend = CueBackend::Open(path, image.problem);
    else
      image.backend = ImageBackend::Open(path, image.problem);
    opened.push_back(std::move(image));
  }
  return opened;
}

std::vector<DriveEntry> LetterDrives(std::vector<FoundDrive> drives,
                                     const std::vector<ImageDrive>& images) {
  std::vector<DriveEntry> list;
  for (FoundDrive& drive : drives) {
    if (list.size() == kLetters) return list;
    Add(list, drive.name, drive.path, std::move(drive.backend), drive.problem);
  }
  for (const ImageDrive& image : images) {
    if (list.size() == kLetters) return list;
    Add(list, image.name, image.path, image.backend, image.problem);
  }
  return list;
}

}  // namespace wrenlo
