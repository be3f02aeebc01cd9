#include "core/disc/ImageDrives.h"

#include <wrenlo/wrenlo.h>

#include <filesystem>
#include <vector>

#include "core/disc/CueForBin.h"
#include "core/disc/DeviceList.h"
#include "core/report/Utf8.h"

namespace {

// Units enough for every reason the engine gives; a longer one is cut.
constexpr std::int32_t kReasonUnits = 1024;

// The letter of the usable drive that holds the file at path; 0 for none.
std::uint16_t LetterHolding(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return 0;
  for (const DeviceListItem& item : ReadDeviceList()) {
    if (!item.usable) continue;
    const std::u16string held = DrivePath(item);
    if (!held.empty() && std::filesystem::equivalent(path, ToUtf8(held), error)) return item.letter;
  }
  return 0;
}

}  // namespace

OpenedImage OpenImage(const std::string& given) {
  OpenedImage opened;
  // A BIN file opens as the cue sheet that describes it, or not at all.
  std::string path = given;
  if (IsBinPath(given)) {
    const std::optional<std::string> sheet = CueSheetFor(given);
    if (!sheet) {
      opened.problem = u"a BIN file needs its cue sheet, and no cue sheet beside it names it";
      return opened;
    }
    path = *sheet;
  }
  if (const std::uint16_t letter = LetterHolding(path); letter != 0) {
    opened.letter = letter;
    opened.usable = opened.alreadyOpen = true;
    return opened;
  }
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
