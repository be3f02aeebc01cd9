#include "core/disc/ImageDrives.h"

#include <wrenlo/wrenlo.h>

#include <vector>

namespace {

// Units enough for every reason the engine gives; a longer one is cut.
constexpr std::int32_t kReasonUnits = 1024;

}  // namespace

OpenedImage OpenImage(const std::string& path) {
  OpenedImage opened;
  std::int32_t letter = 0;
  const std::int32_t result = wrenlo::OpenImageDrive(path.c_str(), &letter);
  opened.letter = static_cast<std::uint16_t>(letter);
  opened.usable = result == 0;
  if (opened.usable) return opened;
  if (letter == 0) {
    opened.problem = u"no drive letter is left";
    return opened;
  }
  std::vector<char16_t> reason(kReasonUnits);
  std::int32_t units = kReasonUnits;
  wrenlo::GetDeviceUnusableReason(letter, reason.data(), &units);
  opened.problem = reason.data();
  return opened;
}

bool CloseImage(std::uint16_t letter) { return wrenlo::CloseImageDrive(letter) == 0; }
