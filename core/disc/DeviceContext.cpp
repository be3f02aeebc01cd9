#include "core/disc/DeviceContext.h"

#include <cstring>
#include <memory>

using namespace wrenlo;

namespace {

MediumInformation PresetMedium() {
  MediumInformation m;
  std::memset(&m, 0, sizeof m);
  m.typeName.set(kUndefinedText);
  m.reserved50 = -1;
  m.reserved54 = -1.0;
  m.reserved62 = -1.0;
  m.reserved70 = -1.0;
  m.firstSession = -1;
  m.lastSession = -1;
  m.firstTrack = -1;
  m.lastTrack = -1;
  m.reserved94 = -1;
  m.reserved98 = -1;
  m.reserved100 = -1;
  m.reserved102.set(kUndefinedText);
  return m;
}

// "WHAT: why" for something the file walk could not list; why is the
// engine's name of the result (ASCII).
std::u16string Unlisted(std::u16string_view what, std::int32_t result) {
  std::u16string text(what);
  text += u": ";
  for (const char* c = ResultName(result); *c != 0; ++c) text.push_back(static_cast<char16_t>(*c));
  return text;
}

}  // namespace

SessionInfo DeviceContext::DefaultSessionInfo() {
  SessionInfo s;
  std::memset(&s, 0, sizeof s);
  s.sectorCount = -1;
  s.reserved4 = 255;
  s.startSector = -1;
  s.firstTrack = -1;
  s.reserved13 = -1;
  return s;
}

DeviceContext::DeviceContext(std::uint16_t letter) : driveLetter(letter), medium(PresetMedium()) {
  std::memset(&deviceInfo, 0, sizeof deviceInfo);
  LoadInformation();
}

DeviceContext::~DeviceContext() {
  if (capabilitiesHandle != 0) ReleaseDeviceCapabilities(capabilitiesHandle);
}

void DeviceContext::LoadInformation() {
  SetBurnDevice(driveLetter);
  SetReadDevice(driveLetter);
  GetDeviceInformation(kCurrentDevice, vendor, model, revision);
  GetDeviceInformationEx(kCurrentDevice, &deviceInfo);
  GetDeviceCapabilitiesHandle(kCurrentDevice, &capabilitiesHandle);
  GetMaxReadSpeed(kCurrentDevice, &maxReadSpeed);
  GetMaxBurnSpeed(kCurrentDevice, &maxWriteSpeed);
  hasMedium = GetMediumInformation(kCurrentDevice, &medium) == 0;
  sessions.clear();
  const std::int32_t first = medium.firstSession;
  const std::int32_t last = medium.lastSession;
  if (!hasMedium || first < 1 || last < 1 || first > last) return;
  for (std::int32_t n = first; n <= last; ++n) {
    SessionInfo record = DefaultSessionInfo();
    GetSessionInformation(kCurrentDevice, n, &record);
    sessions.emplace(n, record);
  }
}

SessionInfo DeviceContext::GetSessionInfo(std::int32_t session) const {
  if (session < 0) session = medium.lastSession;
  const auto found = sessions.find(session);
  return found != sessions.end() ? found->second : DefaultSessionInfo();
}

std::int32_t DeviceContext::ReadSector(std::vector<std::uint8_t>& buffer, std::int32_t sector,
                                       std::int32_t session) const {
  return ReadSectors(buffer, sector, 1, session);
}

std::int32_t DeviceContext::ReadSectors(std::vector<std::uint8_t>& buffer, std::int32_t sector,
                                        std::int32_t count, std::int32_t session) const {
  const SessionInfo s = GetSessionInfo(session);
  // The address wraps as a 32-bit sum; callers keep sector inside the session.
  const auto address = static_cast<std::int32_t>(static_cast<std::uint32_t>(s.startSector) +
                                                 static_cast<std::uint32_t>(sector));
  return ReadSectorsAt(buffer, address, count);
}

std::int32_t DeviceContext::ReadSectorsAt(std::vector<std::uint8_t>& buffer, std::int32_t address,
                                          std::int32_t count) const {
  buffer.resize(static_cast<std::size_t>(kSectorSize) * static_cast<std::size_t>(count));
  std::memset(buffer.data(), 0, buffer.size());
  return wrenlo::ReadSectors(kCurrentDevice, address, count, 0, buffer.data(),
                             static_cast<std::int32_t>(buffer.size()));
}

IsoVolumeInfo& DeviceContext::GetIsoVolumeInfo(IsoVolumeInfo& out, std::int32_t fileSystem) const {
  const std::int32_t last = medium.lastSession;
  for (auto* text : {&out.reserved276, &out.reserved604, &out.reserved676})
    text->set(kUndefinedText);
  for (auto* text : {&out.application, &out.reserved748, &out.publisher, &out.reserved1260})
    text->set(kUndefinedText);
  out.reserved1516.set(kUndefinedText);
  out.reserved1578 = 1;
  out.reserved1579 = 1;
  out.reserved1583 = 0;
  out.creationTime[0] = 0;
  out.modificationTime[0] = 0;
  out.expirationTime[0] = 0;
  out.effectiveTime[0] = 0;
  out.volumeLabel.set(kUndefinedText);
  std::memset(out.reserved256, 0, sizeof out.reserved256);

  const SessionInfo s = GetSessionInfo(last);
  Handle diskSession = 0;
  OpenDiskSession(kCurrentDevice, s.firstTrack, &diskSession, fileSystem);
  GetISOVolumeInformation(diskSession, &out);
  CloseDiskSession(diskSession);
  return out;
}

void DeviceContext::CollectFiles(std::vector<std::u16string>& files,
                                 std::vector<std::u16string>* unlisted) const {
  const SessionInfo s = GetSessionInfo(medium.lastSession);
  Handle diskSession = 0;
  const std::int32_t opened =
      OpenDiskSession(kCurrentDevice, s.firstTrack, &diskSession, kFileSystemAny);
  if (opened != 0 && opened != kResultNoFileSystem && unlisted != nullptr)
    unlisted->push_back(Unlisted(u"file system", opened));
  CollectDirectory(diskSession, u"", files, unlisted);
  CloseDiskSession(diskSession);
}

void DeviceContext::CollectDirectory(Handle diskSession, const std::u16string& path,
                                     std::vector<std::u16string>& files,
                                     std::vector<std::u16string>* unlisted) const {
  Handle directory = 0;
  const std::int32_t opened = OpenDirectory(diskSession, path.c_str(), &directory);
  // On the heap: the walk recurses once per directory level.
  auto entry = std::make_unique<DirectoryEntry>();
  std::int32_t result = 0;
  for (std::int32_t index = 0; (result = ReadDirectory(directory, index, entry.get())) == 0;
       ++index) {
    std::u16string child = path + u"/" + entry->name.str();
    if (entry->attributes & kAttributeDirectory)
      CollectDirectory(diskSession, child, files, unlisted);
    else if ((entry->attributes & kAttributeLink) == 0)
      files.push_back(std::move(child));
  }
  CloseDirectory(directory);
  // Without a session there is nothing to list, and that was said above.
  const std::int32_t failed = opened != 0 ? opened : result;
  if (diskSession != 0 && failed != kResultEndOfDirectory && unlisted != nullptr)
    unlisted->push_back(Unlisted(path.empty() ? u"/" : path, failed));
}
