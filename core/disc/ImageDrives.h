// Disc images opened as drives while the program runs, by the window (its
// arguments, a drop, the Open Image command) and the command line's --image,
// through the engine's OpenImageDrive and CloseImageDrive.
#pragma once

#include <cstdint>
#include <string>

struct OpenedImage {
  // The drive letter the image is listed with; 0 when no letter was left.
  std::uint16_t letter = 0;
  bool usable = false;
  // The file was open as this drive already; nothing new was opened.
  bool alreadyOpen = false;
  // Why it cannot be used, whole: the image's name and the problem
  // ("old.iso: no such file"); with letter 0 the problem alone ("no drive
  // letter is left", or that a BIN file needs its cue sheet); empty for a
  // usable image.
  std::u16string problem;
};

// Opens the image at path (bytes as the file system takes them) as a drive.
// An unusable image stays listed as an unusable entry until CloseImage. A
// file that a listed drive holds already (by any path to it) is not opened
// again: its drive is given. A BIN file opens as the cue sheet beside it that
// names it; without one it is not opened (letter 0, and the problem says
// that it needs its cue sheet).
OpenedImage OpenImage(const std::string& path);

// Takes the image drive with this letter out of the list; false when the
// letter is no image drive's.
bool CloseImage(std::uint16_t letter);
