// The public operations on the medium in a drive: its layout, its track
// records and sector reads.
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <cstdint>

#include "api/EngineState.h"
#include "api/MediumLookup.h"
#include "fs/SessionFileSystem.h"

namespace wrenlo {

static_assert(kNoMedium == kResultNoMedium, "the public no-medium result is the engine's own");
static_assert(kUnsupported == kResultUnsupported, "and so is the unsupported one");

namespace {

// The layout of the medium in the drive device names.
Result MediumOf(std::int32_t device, std::shared_ptr<Backend>& backend, MediumLayout& layout) {
  if (const Result result = EngineState::Get().Device(device, backend); result != kOk)
    return result;
  if (const Result result = backend->Medium(layout); result != kOk) return result;
  // A backend that reports a medium without sessions or tracks has no layout
  // the records could describe.
  return layout.sessions.empty() || layout.tracks.empty() ? kNoMedium : kOk;
}

}  // namespace

std::int32_t GetMediumInformation(std::int32_t device, MediumInformation* info) {
  if (info == nullptr) return kInvalidArgument;
  std::shared_ptr<Backend> backend;
  MediumLayout layout;
  if (const Result result = MediumOf(device, backend, layout); result != kOk) return result;
  info->typeName.set(layout.typeName);
  info->firstSession = layout.sessions.front().number;
  info->lastSession = layout.sessions.back().number;
  info->firstTrack = layout.tracks.front().number;
  info->lastTrack = layout.tracks.back().number;
  return kOk;
}

std::int32_t GetSessionInformation(std::int32_t device, std::int32_t session, SessionInfo* info) {
  if (info == nullptr) return kInvalidArgument;
  std::shared_ptr<Backend> backend;
  MediumLayout layout;
  if (const Result result = MediumOf(device, backend, layout); result != kOk) return result;
  const auto found = FindNumbered(layout.sessions, session);
  if (found == layout.sessions.end()) return kNotFound;
  info->sectorCount = static_cast<std::int32_t>(found->sectorCount);
  info->startSector = static_cast<std::int32_t>(found->start);
  info->firstTrack = found->firstTrack;
  return kOk;
}

std::int32_t GetTrackInformation(std::int32_t device, std::int32_t track, TrackInformation* info) {
  if (info == nullptr) return kInvalidArgument;
  std::shared_ptr<Backend> backend;
  MediumLayout layout;
  if (const Result result = MediumOf(device, backend, layout); result != kOk) return result;
  const auto found = FindNumbered(layout.tracks, track);
  if (found == layout.tracks.end()) return kNotFound;
  info->number = static_cast<std::int16_t>(found->number);
  info->session = static_cast<std::int16_t>(found->session);
  info->startSector = static_cast<std::int32_t>(found->start);
  info->sectorCount = static_cast<std::int32_t>(found->sectorCount);
  info->mode = found->mode;
  const bool data = found->mode == 1 || found->mode == 2;
  info->contentFlags =
      data ? ProbeContent(*backend, found->start, EndOf(found->start, found->sectorCount)) : 0;
  return kOk;
}

std::int32_t GetTrackExtent(std::int32_t device, std::int32_t track, std::int32_t* session,
                            std::int32_t* firstSector, std::int32_t* sectorCount) {
  if (session == nullptr || firstSector == nullptr || sectorCount == nullptr)
    return kInvalidArgument;
  std::shared_ptr<Backend> backend;
  MediumLayout layout;
  if (const Result result = MediumOf(device, backend, layout); result != kOk) return result;
  const auto found = FindNumbered(layout.tracks, track);
  if (found == layout.tracks.end()) return kNotFound;
  // Addresses and lengths are 32-bit signed in the records too.
  *session = found->session;
  *firstSector = static_cast<std::int32_t>(std::min<std::uint32_t>(found->start, INT32_MAX));
  *sectorCount = static_cast<std::int32_t>(std::min<std::uint32_t>(found->sectorCount, INT32_MAX));
  return kOk;
}

std::int32_t ReadSectors(std::int32_t device, std::int32_t address, std::int32_t count,
                         std::int32_t mode, std::uint8_t* buffer, std::int32_t bufferSize) {
  if (mode != kReadUserData && mode != kReadRawSector) return kUnsupported;
  const std::int64_t sectorBytes = mode == kReadRawSector ? kRawSectorSize : kSectorSize;
  if (buffer == nullptr || count <= 0 || address < 0 ||
      std::int64_t{bufferSize} < std::int64_t{count} * sectorBytes)
    return kInvalidArgument;
  const auto first = static_cast<std::uint32_t>(address);
  const auto sectors = static_cast<std::uint32_t>(count);
  const auto read = [&](Backend& backend) {
    return mode == kReadRawSector ? backend.ReadRaw(first, sectors, buffer)
                                  : backend.Read(first, sectors, buffer);
  };
  if (device == kCurrentDevice) {
    Backend* const backend = EngineState::Get().CurrentDeviceForRead();
    return backend ? read(*backend) : kNoDevice;
  }
  std::shared_ptr<Backend> backend;
  if (const Result result = EngineState::Get().Device(device, backend); result != kOk)
    return result;
  return read(*backend);
}

}  // namespace wrenlo
