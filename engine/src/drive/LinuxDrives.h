// The machine's optical drives: every /sys/class/block/srN, in device order,
// each opened as /dev/srN and wrapped in an MMC backend, or listed with the
// reason it cannot be used.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Backend.h"

namespace wrenlo {

struct FoundDrive {
  std::unique_ptr<Backend> backend;  // null when the drive cannot be used
  std::u16string name;               // vendor and model, for the display text
  std::u16string path;               // the device node, e.g. "/dev/sr0"
  std::u16string
      problem;  // why it cannot be used, e.g. "permission denied: add the user to the cdrom group"
};

std::vector<FoundDrive> FindLinuxDrives();  // /dev/sr* through sysfs, in device order

namespace drive {
// The same under other roots (sysBlock for /sys/class/block, dev for /dev).
std::vector<FoundDrive> FindDrivesUnder(const std::filesystem::path& sysBlock,
                                        const std::filesystem::path& dev);
}  // namespace drive

}  // namespace wrenlo
