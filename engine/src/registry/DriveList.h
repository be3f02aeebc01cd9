// The engine's list of drives: the machine's optical drives, then one virtual
// drive per disc image (those named in WRENLO_IMAGES, then those opened while
// the program runs), with letters from D upward. A path ending in ".cue" is a
// cue sheet with its BIN files, any other a plain image of 2048-byte sectors.
// An image keeps its letter while it is listed; once it is closed, its letter
// may be given again.
#pragma once

#include <bitset>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Backend.h"
#include "drive/LinuxDrives.h"

namespace wrenlo {

inline constexpr char16_t kFirstDriveLetter = u'D';
inline constexpr char16_t kLastDriveLetter = u'Z';

struct DriveEntry {
  char16_t letter = 0;
  // "D: " and the drive's vendor and model or the image's file name; an entry
  // that cannot be used starts with '#' and ends with why, e.g.
  // "#E: broken.iso: the image is empty". The list's records hold only the
  // first 49 units of it.
  std::u16string text;
  // For a '#' entry, the whole of why it cannot be used: the drive's or
  // image's name and the problem ("broken.iso: the image is empty").
  std::u16string reason;
  // The whole name the text shows after "D: " (vendor and model, or the
  // image's file name), and the device node or the image's path as given.
  std::u16string name;
  std::u16string path;
  std::shared_ptr<Backend> backend;  // null for a '#' entry
};

// A virtual drive; its letter is 0 until it is given one.
struct ImageDrive {
  std::u16string name;               // the image's file name
  std::u16string path;               // the path it was opened by
  std::shared_ptr<Backend> backend;  // null when the image cannot be used
  std::u16string problem;            // why not
  char16_t letter = 0;
};

// Letters of the images listed, one bit per letter from D.
using LetterSet = std::bitset<kLastDriveLetter - kFirstDriveLetter + 1>;

// The list's entry of the drive or image called name with this letter: a
// drive when backend is set, else a '#' entry that says problem.
DriveEntry ListEntry(char16_t letter, const std::u16string& name, const std::u16string& path,
                     std::shared_ptr<Backend> backend, const std::u16string& problem);

// Opens the image at path.
ImageDrive OpenImage(const std::string& path);

// Opens the images of images (paths separated by ':', empty ones skipped),
// no more than there are letters for.
std::vector<ImageDrive> OpenImages(std::string_view images);

// Lists drives, then images. The drives take the free letters from D upward,
// passing over the letters in imageLetters and those of the images; an image
// without a letter takes the first letter still free and keeps it (it is
// written into images and added to imageLetters). Whatever finds no letter
// is left out.
std::vector<DriveEntry> LetterDrives(std::vector<FoundDrive> drives,
                                     std::vector<ImageDrive>& images, LetterSet& imageLetters);

// The letter for one more image: the first from D that is neither in list
// nor in imageLetters; 0 when every letter to Z is taken.
char16_t NextImageLetter(const std::vector<DriveEntry>& list, const LetterSet& imageLetters);
}  // namespace wrenlo
