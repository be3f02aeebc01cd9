#include "cli/Commands.h"
#include "cli/DriveChoice.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "cli/Utf8.h"
#include "core/disc/DeviceList.h"

int RunDevices(const CommandLine& command) {
  const std::vector<DeviceListItem> devices = DevicesInListOrder(ReadDeviceList());
  std::string out;
  if (command.json) {
    out = "[";
    for (std::size_t i = 0; i < devices.size(); ++i) {
      const DeviceListItem& device = devices[i];
      out += i == 0 ? "\n" : ",\n";
      out += "  {\"drive\": ";
      AppendJsonString(out, device.letter == 0 ? std::string() : DriveName(device.letter));
      out += ", \"text\": ";
      AppendJsonString(out, WholeDriveText(device));
      out += device.usable ? ", \"available\": true}" : ", \"available\": false}";
    }
    out += devices.empty() ? "]\n" : "\n]\n";
  } else {
    for (const DeviceListItem& device : devices)
      out += device.usable ? ToUtf8(DriveListText(device)) + "\n"
                           : "unavailable: " + ToUtf8(WholeDriveText(device)) + "\n";
  }
  Print(stdout, out);
  if (devices.empty() && !command.json) PrintError(kNoDrives);
  return kExitSuccess;
}
