#include "cli/DriveChoice.h"

#include "cli/Utf8.h"
#include "disc/DeviceList.h"

bool ChooseDrive(char16_t requested, std::uint16_t& letter, std::string& error) {
  const std::vector<DeviceListItem> items = ReadDeviceList();
  const std::vector<DeviceListItem> drives = ListedDrives(items);
  if (requested == 0) {
    if (drives.empty()) {
      error = "no drives found: no optical drive here, and WRENLO_IMAGES names no disc image";
      return false;
    }
    letter = drives.front().letter;
    return true;
  }
  for (const DeviceListItem& drive : drives) {
    if (drive.letter == requested) {
      letter = drive.letter;
      return true;
    }
  }
  for (const DeviceListItem& item : items) {
    if (!item.usable && item.letter == requested) {
      error = "drive " + DriveName(requested) + " cannot be used: " + ToUtf8(item.text);
      return false;
    }
  }
  error = "no drive " + DriveName(requested) + " (lumeter-cli devices lists the drives)";
  return false;
}

std::string DriveName(std::uint16_t letter) {
  return ToUtf8(std::u16string{static_cast<char16_t>(letter), u':'});
}
