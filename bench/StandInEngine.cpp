// A minimal stand-in for the disc engine, for the scanner benchmark while the
// engine library is not part of the build: one virtual drive holding the
// first image named in WRENLO_IMAGES as a single session, read with pread.
// Everything else fails.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wrenlo/wrenlo.h>

#include <cstdlib>
#include <string>

namespace wrenlo {
namespace {

int image = -1;
std::int32_t sectors = 0;

void Open() {
  if (image >= 0) return;
  const char* images = std::getenv("WRENLO_IMAGES");
  if (images == nullptr) return;
  const std::string path = std::string(images).substr(0, std::string(images).find(':'));
  image = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (image >= 0 && ::fstat(image, &info) == 0)
    sectors = static_cast<std::int32_t>(info.st_size / kSectorSize);
}

}  // namespace

std::int32_t Initialize() {
  Open();
  return image >= 0 ? 0 : 1;
}
std::int32_t GetDevices(DeviceListEntry* entries, std::int32_t* count, std::int32_t) {
  entries[0].text.set(u"D: stand-in image");
  *count = 1;
  return 0;
}
std::int32_t SetBurnDevice(std::int32_t) { return 0; }
std::int32_t SetReadDevice(std::int32_t) { return 0; }
std::int32_t GetDeviceInformation(std::int32_t, char16_t*, char16_t*, char16_t*) { return 1; }
std::int32_t GetDeviceInformationEx(std::int32_t, DeviceInformationEx*) { return 1; }
std::int32_t GetDeviceCapabilitiesHandle(std::int32_t, Handle*) { return 1; }
std::int32_t ReleaseDeviceCapabilities(Handle) { return 1; }
std::int32_t GetMaxReadSpeed(std::int32_t, std::int32_t*) { return 1; }
std::int32_t GetMaxBurnSpeed(std::int32_t, std::int32_t*) { return 1; }
std::int32_t GetMediumInformation(std::int32_t, MediumInformation* info) {
  Open();
  if (image < 0) return 1;
  info->firstSession = info->lastSession = 1;
  info->firstTrack = info->lastTrack = 1;
  return 0;
}
std::int32_t GetSessionInformation(std::int32_t, std::int32_t session, SessionInfo* info) {
  if (session != 1) return 1;
  info->sectorCount = sectors;
  info->startSector = 0;
  info->firstTrack = 1;
  return 0;
}
std::int32_t ReadSectors(std::int32_t, std::int32_t address, std::int32_t count, std::int32_t,
                         std::uint8_t* buffer, std::int32_t bufferSize) {
  if (address < 0 || count < 1 || address > sectors - count ||
      bufferSize < std::int64_t{count} * kSectorSize)
    return 1;
  const auto size = static_cast<std::size_t>(count) * kSectorSize;
  const auto read = ::pread(image, buffer, size, static_cast<off_t>(address) * kSectorSize);
  return read == static_cast<ssize_t>(size) ? 0 : 1;
}
std::int32_t OpenDiskSession(std::int32_t, std::int32_t, Handle*, std::int32_t) { return 1; }
std::int32_t CloseDiskSession(Handle) { return 1; }
std::int32_t GetISOVolumeInformation(Handle, IsoVolumeInfo*) { return 1; }
std::int32_t OpenDirectory(Handle, const char16_t*, Handle*) { return 1; }
std::int32_t ReadDirectory(Handle, std::int32_t, DirectoryEntry*) { return 1; }
std::int32_t CloseDirectory(Handle) { return 1; }
std::int32_t VerifyFile(Handle, const char16_t*) { return 1; }

}  // namespace wrenlo
