// The engine's list of drives: the machine's optical drives, then one virtual
// drive per disc image named in WRENLO_IMAGES, with letters from D upward.
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
  // "#E: broken.iso: size is not a multiple of 2048 bytes".
  std::u16string text;
  std::shared_ptr<Backend> backend;  // null for a '#' entry
};

// Lists drives, then the images of images (paths separated by ':', empty
// ones skipped), giving letters from D to Z; whatever finds no letter is left
// out.
std::vector<DriveEntry> BuildDriveList(std::vector<FoundDrive> drives, std::string_view images);

}  // namespace wrenlo
