#include "LinuxDrives.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "MmcDrive.h"
#include "SgIoDevice.h"

namespace wrenlo {

namespace {

constexpr std::u16string_view kPermissionProblem =
    u"permission denied: add the user to the cdrom group";

std::u16string Widen(std::string_view text) { return {text.begin(), text.end()}; }

// One line of a sysfs attribute, blanks trimmed; empty when absent.
std::string Attribute(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  const auto first = line.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

std::u16string JoinName(const std::u16string& vendor, const std::u16string& model) {
  if (vendor.empty()) return model;
  if (model.empty()) return vendor;
  return vendor + u" " + model;
}

// Sectors one READ may carry: the queue's limit, within 1 and 64.
std::uint32_t MaxTransferSectors(const std::filesystem::path& entry) {
  const std::string kb = Attribute(entry / "queue" / "max_sectors_kb");
  std::uint32_t value = 0;
  for (char c : kb) {
    if (c < '0' || c > '9' || value > 1'000'000) break;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return std::clamp<std::uint32_t>(value / 2, 1, 64);
}

FoundDrive OpenDrive(const std::filesystem::path& entry, const std::filesystem::path& node) {
  FoundDrive found;
  found.path = Widen(node.string());
  found.name = JoinName(Widen(Attribute(entry / "device" / "vendor")),
                        Widen(Attribute(entry / "device" / "model")));
  const int fd = open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (error == EACCES || error == EPERM)
      found.problem = kPermissionProblem;
    else if (error == ENOENT)
      found.problem = Widen("no device node " + node.string());
    else
      found.problem = Widen("cannot open " + node.string() + ": " + std::strerror(error));
    return found;
  }
  int version = 0;
  if (ioctl(fd, SG_GET_VERSION_NUM, &version) < 0) {
    close(fd);
    found.problem = Widen(node.string() + " does not take SCSI commands");
    return found;
  }
  auto backend = std::make_unique<drive::MmcDrive>(
      std::make_unique<drive::SgIoDevice>(node.string(), fd), MaxTransferSectors(entry));
  const DriveIdentity identity = backend->Identity();
  if (!identity.vendor.empty() || !identity.model.empty())
    found.name = JoinName(identity.vendor, identity.model);
  found.backend = std::move(backend);
  return found;
}

}  // namespace

namespace drive {

std::vector<FoundDrive> FindDrivesUnder(const std::filesystem::path& sysBlock,
                                        const std::filesystem::path& dev) {
  // srN entries by N, so that sr10 follows sr9.
  std::vector<std::pair<unsigned long, std::string>> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(sysBlock, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 3 || name.size() > 8 || name.compare(0, 2, "sr") != 0) continue;
    if (!std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    names.emplace_back(std::stoul(name.substr(2)), name);
  }
  std::sort(names.begin(), names.end());

  std::vector<FoundDrive> drives;
  for (const auto& [number, name] : names) drives.push_back(OpenDrive(sysBlock / name, dev / name));
  return drives;
}

}  // namespace drive

std::vector<FoundDrive> FindLinuxDrives() {
  return drive::FindDrivesUnder("/sys/class/block", "/dev");
}

}  // namespace wrenlo
