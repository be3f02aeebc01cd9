// The machine's optical drives (/dev/sr*), found through sysfs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Backend.h"

namespace wrenlo {

struct FoundDrive {
  std::unique_ptr<Backend> backend;  // null when the drive cannot be used
  std::u16string name;               // vendor and model, for the display text
  std::u16string
      problem;  // why it cannot be used, e.g. "permission denied: add the user to the cdrom group"
};

std::vector<FoundDrive> FindLinuxDrives();  // /dev/sr* through sysfs, in device order

}  // namespace wrenlo
