// The public operations on drives: the list, the current device, identity,
// abilities, speeds, the tray, and the files image drives read.
#include <wrenlo/wrenlo.h>

#include <algorithm>

#include "api/EngineState.h"
#include "image/ImageFiles.h"

namespace wrenlo {

namespace {

// Copies text into a buffer of units code units, cut to fit, NUL-terminated.
void CopyText(std::u16string_view text, char16_t* out, std::size_t units) {
  const std::size_t n = std::min(text.size(), units - 1);
  std::copy_n(text.begin(), n, out);
  out[n] = 0;
}

}  // namespace

std::int32_t Initialize() {
  EngineState::Get().Initialize();
  return kOk;
}

// The caller always provides kMaxDevices entries; the count it passes in is
// not read.
std::int32_t GetDevices(DeviceListEntry* entries, std::int32_t* count, std::int32_t flags) {
  if (entries == nullptr || count == nullptr || flags != 0) return kInvalidArgument;
  const std::vector<std::u16string> texts = EngineState::Get().DeviceTexts();
  const std::size_t n = std::min<std::size_t>(texts.size(), kMaxDevices);
  for (std::size_t i = 0; i < n; ++i) entries[i].text.set(texts[i]);
  *count = static_cast<std::int32_t>(n);
  return kOk;
}

// Gives one of an entry's texts the way the three operations below do: text
// holds as much as fits in *units, which receives the size the whole needs.
template <typename Read>
std::int32_t GetWholeText(char16_t* text, std::int32_t* units, Read read) {
  if (units == nullptr || *units < 0 || (text == nullptr && *units != 0)) return kInvalidArgument;
  std::u16string whole;
  if (const Result result = read(whole); result != kOk) return result;
  const std::size_t room = static_cast<std::size_t>(*units);
  if (room > 0) CopyText(whole, text, room);
  *units = static_cast<std::int32_t>(std::min<std::size_t>(whole.size() + 1, INT32_MAX));
  return whole.size() < room ? kOk : kTooLarge;
}

std::int32_t GetDeviceUnusableReason(std::int32_t driveLetter, char16_t* text,
                                     std::int32_t* units) {
  return GetWholeText(text, units, [&](std::u16string& out) {
    return EngineState::Get().UnusableReason(driveLetter, out);
  });
}

std::int32_t GetDeviceName(std::int32_t driveLetter, char16_t* text, std::int32_t* units) {
  return GetWholeText(
      text, units, [&](std::u16string& out) { return EngineState::Get().Name(driveLetter, out); });
}

std::int32_t GetDevicePath(std::int32_t driveLetter, char16_t* text, std::int32_t* units) {
  return GetWholeText(
      text, units, [&](std::u16string& out) { return EngineState::Get().Path(driveLetter, out); });
}

std::int32_t SetBurnDevice(std::int32_t driveLetter) {
  return EngineState::Get().Select(driveLetter);
}

std::int32_t SetReadDevice(std::int32_t driveLetter) {
  return EngineState::Get().Select(driveLetter);
}

std::int32_t GetDeviceInformation(std::int32_t device, char16_t* vendor, char16_t* model,
                                  char16_t* revision) {
  if (vendor == nullptr || model == nullptr || revision == nullptr) return kInvalidArgument;
  return WithDevice(device, [&](Backend& backend) {
    const DriveIdentity identity = backend.Identity();
    CopyText(identity.vendor, vendor, 9);
    CopyText(identity.model, model, 17);
    CopyText(identity.revision, revision, 6);
    return kOk;
  });
}

std::int32_t GetDeviceInformationEx(std::int32_t device, DeviceInformationEx* info) {
  if (info == nullptr) return kInvalidArgument;
  return WithDevice(device, [&](Backend& backend) {
    const DriveIdentity identity = backend.Identity();
    info->firmwareRevision.set(identity.firmwareRevision);
    info->regionCode = identity.regionCode;
    info->userChangesLeft = identity.userChangesLeft;
    info->bufferSizeKB = identity.bufferSizeKB;
    info->serialNumber.set(identity.serialNumber);
    return kOk;
  });
}

std::int32_t GetDeviceCapabilitiesHandle(std::int32_t device, Handle* handle) {
  if (handle == nullptr) return kInvalidArgument;
  *handle = 0;
  auto object = std::make_shared<CapabilitiesObject>();
  if (const Result result = EngineState::Get().Device(device, object->backend); result != kOk)
    return result;
  return EngineState::Get().Handles().Add(std::move(object), *handle);
}

std::int32_t ReleaseDeviceCapabilities(Handle handle) {
  return EngineState::Get().Handles().Remove<CapabilitiesObject>(handle);
}

std::int32_t AnalyseDeviceCapability(Handle handle, std::uint64_t capability,
                                     std::uint8_t* answer) {
  if (answer == nullptr) return kInvalidArgument;
  const auto object = EngineState::Get().Handles().Find<CapabilitiesObject>(handle);
  if (!object) return kInvalidHandle;
  *answer = object->backend->HasCapability(capability) ? 1 : 0;
  return kOk;
}

std::int32_t GetMaxReadSpeed(std::int32_t device, std::int32_t* kbPerSecond) {
  if (kbPerSecond == nullptr) return kInvalidArgument;
  return WithDevice(device, [&](Backend& backend) {
    *kbPerSecond = backend.MaxReadSpeedKB();
    return kOk;
  });
}

std::int32_t SetReadSpeed(std::int32_t device, std::int32_t kbPerSecond) {
  if (kbPerSecond < 0) return kInvalidArgument;
  return WithDevice(device, [&](Backend& backend) { return backend.SetReadSpeed(kbPerSecond); });
}

std::int32_t GetMaxBurnSpeed(std::int32_t device, std::int32_t* kbPerSecond) {
  if (kbPerSecond == nullptr) return kInvalidArgument;
  return WithDevice(device, [&](Backend& backend) {
    *kbPerSecond = backend.MaxWriteSpeedKB();
    return kOk;
  });
}

std::int32_t EjectDevice(std::int32_t device) {
  return WithDevice(device, [](Backend& backend) { return backend.Eject(); });
}

std::int32_t CloseDevice(std::int32_t device) {
  return WithDevice(device, [](Backend& backend) { return backend.CloseTray(); });
}

std::int32_t OpenImageDrive(const char* path, std::int32_t* driveLetter) {
  if (path == nullptr || driveLetter == nullptr) return kInvalidArgument;
  char16_t letter = 0;
  const Result result = EngineState::Get().OpenImage(path, letter);
  *driveLetter = letter;
  return result;
}

std::int32_t CloseImageDrive(std::int32_t driveLetter) {
  return EngineState::Get().CloseImage(driveLetter);
}

std::int32_t ListImageFiles(ImageFileCallback callback, void* context) {
  if (callback == nullptr) return kInvalidArgument;
  // A copy, so that the callback runs without the listing's lock.
  for (const ImageFile& file : AllImageFiles()) {
    const ImageFileRecord record{file.role, file.device, file.inode, file.path.c_str()};
    if (const std::int32_t stop = callback(context, &record); stop != 0) return stop;
  }
  return kOk;
}

std::int32_t GetMediumPresence(std::int32_t driveLetter, std::int32_t* present,
                               std::uint32_t* changes) {
  if (present == nullptr || changes == nullptr || driveLetter == kCurrentDevice)
    return kInvalidArgument;
  return WithDevice(driveLetter, [&](Backend& backend) {
    bool in = false;
    const Result result = backend.MediumPresence(in, *changes);
    *present = in ? 1 : 0;
    return result;
  });
}

std::int32_t GetDriveSetStamp(std::uint32_t* stamp) {
  if (stamp == nullptr) return kInvalidArgument;
  *stamp = LinuxDriveSetStamp();
  return kOk;
}

}  // namespace wrenlo
