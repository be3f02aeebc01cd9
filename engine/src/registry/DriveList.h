// The engine's list of drives: the machine's optical drives, then one virtual
// drive per disc image named in WRENLO_IMAGES, with letters from D upward. A
// path ending in ".cue" is a cue sheet with its BIN files, any other a plain
// image of 2048-byte sectors.
#pragma once

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

// A virtual drive before it has a letter.
struct ImageDrive {
  std::u16string name;               // the image's file name
  std::u16string path;               // the path it was opened by
  std::shared_ptr<Backend> backend;  // null when the image cannot be used
  std::u16string problem;            // why not
};

// Opens the images of images (paths separated by ':', empty ones skipped),
// no more than there are letters for.
std::vector<ImageDrive> OpenImages(std::string_view images);

// Gives the letters D to Z to drives, then to images; whatever finds no
// letter is left out.
std::vector<DriveEntry> LetterDrives(std::vector<FoundDrive> drives,
                                     const std::vector<ImageDrive>& images);
}  // namespace wrenlo
