#include "core/rescue/SourceCheck.h"

#include <sys/stat.h>

#include "core/disc/DeviceList.h"
#include "core/report/Utf8.h"

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

std::string SourceConflict(const std::string& path, std::uint16_t driveLetter) {
  DeviceListItem drive;
  drive.letter = driveLetter;
  const std::string source = ToUtf8(DrivePath(drive));
  if (source.empty()) return {};
  if (SameFile(path, source)) return path + " is the disc image being read";
  if (SameFile(path, source + ".faults"))
    return path + " is the faults file of the disc being read";
  return {};
}
