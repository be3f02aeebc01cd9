#include <cstdlib>

#include "cli/Commands.h"
#include "cli/DriveChoice.h"
#include "cli/Output.h"
#include "core/disc/DeviceList.h"
#include "core/report/Json.h"
#include "core/report/Utf8.h"

namespace {

// The images WRENLO_IMAGES names, in order.
std::vector<std::string> ImagePaths() {
  const char* variable = std::getenv("WRENLO_IMAGES");
  const std::string images = variable != nullptr ? variable : "";
  std::vector<std::string> paths;
  std::size_t begin = 0;
  while (begin <= images.size()) {
    const std::size_t end = std::min(images.find(':', begin), images.size());
    if (end > begin) paths.push_back(images.substr(begin, end - begin));
    begin = end + 1;
  }
  return paths;
}

// Whether an entry of the engine's list is the drive of the image at path:
// its text is the letter, ": " and the file's name (then ": " and why it
// cannot be used), cut to the length of the engine's entry.
bool IsDriveOf(const DeviceListItem& item, const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string name = item.text.size() > 3 ? ToUtf8(item.text.substr(3)) : "";
  return name.starts_with(file) || (!name.empty() && file.starts_with(name));
}

// How many of the images WRENLO_IMAGES names got no drive letter. Only a
// list that reaches Z leaves any out; the images it holds are then the first
// ones named, after the machine's drives.
std::size_t ImagesLeftOut(const std::vector<DeviceListItem>& items) {
  if (items.empty() || items.back().letter != u'Z') return 0;
  const std::vector<std::string> paths = ImagePaths();
  for (std::size_t first = 0; first < items.size(); ++first) {
    const std::size_t listed = items.size() - first;
    if (listed > paths.size()) continue;
    bool matches = true;
    for (std::size_t i = 0; i < listed && matches; ++i)
      matches = IsDriveOf(items[first + i], paths[i]);
    if (matches) return paths.size() - listed;
  }
  return 0;
}

}  // namespace

int RunDevices(const CommandLine& command) {
  const std::vector<DeviceListItem> items = ReadDeviceList();
  const std::vector<DeviceListItem> devices = DevicesInListOrder(items);
  std::string out;
  if (command.json) {
    out = "[";
    for (std::size_t i = 0; i < devices.size(); ++i) {
      const DeviceListItem& device = devices[i];
      out += i == 0 ? "\n" : ",\n";
      out += "  {\"drive\": ";
      AppendJsonString(out, device.letter == 0 ? std::string() : DriveName(device.letter));
      out += ", \"text\": ";
      AppendJsonString(out, device.text);
      if (device.usable) {
        out += ", \"name\": ";
        AppendJsonString(out, WholeDriveText(device));
      } else {
        out += ", \"reason\": ";
        AppendJsonString(out, WholeDriveText(device));
      }
      if (device.missingSectors >= 0)
        out += ", \"missing_sectors\": " + std::to_string(device.missingSectors);
      if (const std::u16string path = DrivePath(device); !path.empty()) {
        out += ", \"path\": ";
        AppendJsonString(out, path);
      }
      out += device.usable ? ", \"available\": true}" : ", \"available\": false}";
    }
    out += devices.empty() ? "]\n" : "\n]\n";
  } else {
    // A file name may hold any character but '/' and NUL.
    for (const DeviceListItem& device : devices)
      out += device.usable
                 ? WithControlsEscaped(ToUtf8(DriveListText(device))) + "\n"
                 : "unavailable: " + WithControlsEscaped(ToUtf8(WholeDriveText(device))) + "\n";
  }
  Print(stdout, out);
  if (const std::size_t leftOut = ImagesLeftOut(items); leftOut != 0)
    PrintError(std::to_string(leftOut) + (leftOut == 1 ? " image" : " images") +
               " of WRENLO_IMAGES left out: no drive letters after Z");
  if (!ListedDrives(items).empty()) return kExitSuccess;
  PrintError(NoDrivesText(items));
  return kExitFound;
}
