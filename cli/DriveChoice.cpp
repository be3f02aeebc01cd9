#include "cli/DriveChoice.h"

#include <wrenlo/wrenlo.h>

#include "cli/Output.h"
#include "core/disc/DeviceList.h"
#include "core/report/Utf8.h"

std::optional<std::uint16_t> ChooseDrive(char16_t requested) {
  const std::vector<DeviceListItem> items = ReadDeviceList();
  const std::vector<DeviceListItem> drives = ListedDrives(items);
  if (requested == 0) {
    if (!drives.empty()) return drives.front().letter;
    PrintError(NoDrivesText(items));
    return std::nullopt;
  }
  for (const DeviceListItem& drive : drives)
    if (drive.letter == requested) return drive.letter;
  for (const DeviceListItem& item : items) {
    if (!item.usable && item.letter == requested) {
      PrintError("drive " + DriveName(requested) +
                 " cannot be used: " + ToUtf8(WholeDriveText(item)));
      return std::nullopt;
    }
  }
  PrintError("no drive " + DriveName(requested) + " (lumeter-cli devices lists the drives)");
  return std::nullopt;
}

std::string NoDrivesText(const std::vector<DeviceListItem>& items) {
  if (items.empty())
    return "no drives found: no optical drive here, and WRENLO_IMAGES names no disc image";
  return items.size() == 1
             ? "no usable drive: the 1 entry listed cannot be used (lumeter-cli devices says why)"
             : "no usable drive: none of the " + std::to_string(items.size()) +
                   " entries listed can be used (lumeter-cli devices says why)";
}

std::string OutsideSessionText(std::int64_t sector, std::int32_t session, std::int32_t sectors) {
  return "sector " + std::to_string(sector) + " is outside session " + std::to_string(session) +
         (sectors > 0 ? " (sectors 0 to " + std::to_string(sectors - 1) + ")"
                      : " (it holds no sectors)");
}

std::string DriveName(std::uint16_t letter) {
  return ToUtf8(std::u16string{static_cast<char16_t>(letter), u':'});
}
