#include "registry/DriveList.h"

#include <algorithm>

#include "Text.h"
#include "image/CueBackend.h"
#include "image/ImageBackend.h"

namespace wrenlo {

namespace {

constexpr std::size_t kLetters = kLastDriveLetter - kFirstDriveLetter + 1;

std::string_view FileName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return name.empty() ? path : name;
}

std::size_t Bit(char16_t letter) { return static_cast<std::size_t>(letter - kFirstDriveLetter); }

// The first letter not in taken, or 0.
char16_t FirstFree(const LetterSet& taken) {
  for (std::size_t i = 0; i < kLetters; ++i)
    if (!taken[i]) return static_cast<char16_t>(kFirstDriveLetter + i);
  return 0;
}

}  // namespace

DriveEntry ListEntry(char16_t letter, const std::u16string& name, const std::u16string& path,
                     std::shared_ptr<Backend> backend, const std::u16string& problem) {
  DriveEntry entry;
  entry.letter = letter;
  entry.name = name;
  entry.path = path;
  entry.text = std::u16string(1, entry.letter) + u": " + name;
  if (backend) {
    entry.backend = std::move(backend);
  } else {
    entry.reason = name + u": " + problem;
    entry.text = u"#" + entry.text + u": " + problem;
  }
  return entry;
}

ImageDrive OpenImage(const std::string& path) {
  ImageDrive image;
  image.name = FromUtf8(FileName(path));
  image.path = FromUtf8(path);
  if (IsCueSheetPath(path))
    image.backend = CueBackend::Open(path, image.problem);
  else
    image.backend = ImageBackend::Open(path, image.problem);
  return image;
}

std::vector<ImageDrive> OpenImages(std::string_view images) {
  std::vector<ImageDrive> opened;
  std::size_t begin = 0;
  while (begin <= images.size() && opened.size() < kLetters) {
    const std::size_t end = std::min(images.find(':', begin), images.size());
    const std::string path(images.substr(begin, end - begin));
    begin = end + 1;
    if (!path.empty()) opened.push_back(OpenImage(path));
  }
  return opened;
}

std::vector<DriveEntry> LetterDrives(std::vector<FoundDrive> drives,
                                     std::vector<ImageDrive>& images, LetterSet& imageLetters) {
  LetterSet taken = imageLetters;
  for (const ImageDrive& image : images)
    if (image.letter != 0) taken.set(Bit(image.letter));
  std::vector<DriveEntry> list;
  for (FoundDrive& drive : drives) {
    const char16_t letter = FirstFree(taken);
    if (letter == 0) break;
    taken.set(Bit(letter));
    list.push_back(
        ListEntry(letter, drive.name, drive.path, std::move(drive.backend), drive.problem));
  }
  for (ImageDrive& image : images) {
    if (image.letter == 0) {
      image.letter = FirstFree(taken);
      if (image.letter == 0) continue;
      taken.set(Bit(image.letter));
      imageLetters.set(Bit(image.letter));
    }
    list.push_back(ListEntry(image.letter, image.name, image.path, image.backend, image.problem));
  }
  return list;
}

char16_t NextImageLetter(const std::vector<DriveEntry>& list, const LetterSet& imageLetters) {
  LetterSet taken = imageLetters;
  for (const DriveEntry& entry : list) taken.set(Bit(entry.letter));
  return FirstFree(taken);
}

}  // namespace wrenlo
