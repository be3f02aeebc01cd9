#include "FakeEngine.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <mutex>

namespace fake {
namespace {

struct OpenHandle {
  bool isDirectory = false;
  std::int32_t fileSystem = 0;  // disk sessions only
  std::u16string path;          // directories only
};

struct State {
  std::mutex lock;
  Script script;
  std::vector<std::string> calls;
  bool recording = true;
  std::map<std::int32_t, std::int32_t> readCounts;
  std::map<std::int32_t, std::int32_t> failuresInRow;
  std::map<wrenlo::Handle, OpenHandle> handles;
  wrenlo::Handle nextHandle = 100;
};

State& state() {
  static State s;
  return s;
}

std::string Args() { return {}; }

template <typename T>
std::string Arg(const T& value) {
  if constexpr (std::is_convertible_v<T, std::u16string_view>)
    return "\"" + Utf8(value) + "\"";
  else
    return std::to_string(value);
}

template <typename First, typename... Rest>
std::string Args(const First& first, const Rest&... rest) {
  std::string out = Arg(first);
  ((out += ", " + Arg(rest)), ...);
  return out;
}

// Logs the call and gives its scripted result. Callers hold the lock.
template <typename... A>
std::int32_t Call(State& s, const char* name, const A&... args) {
  if (s.recording) s.calls.push_back(std::string(name) + "(" + Args(args...) + ")");
  const auto found = s.script.results.find(name);
  return found == s.script.results.end() ? 0 : found->second;
}

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

void CopyUnits(char16_t* out, std::size_t units, const std::u16string& text) {
  const std::size_t n = std::min(units - 1, text.size());
  std::memcpy(out, text.data(), n * sizeof(char16_t));
  out[n] = 0;
}

}  // namespace

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

Script& script() { return state().script; }

void Reset() {
  State& s = state();
  std::lock_guard guard(s.lock);
  s.script = Script{};
  s.calls.clear();
  s.recording = true;
  s.readCounts.clear();
  s.failuresInRow.clear();
  s.handles.clear();
  s.nextHandle = 100;
}

std::vector<std::string> Calls() {
  std::lock_guard guard(state().lock);
  return state().calls;
}

std::vector<std::string> CallsNamed(const std::string& name) {
  std::vector<std::string> out;
  for (const std::string& call : Calls())
    if (call.compare(0, name.size() + 1, name + "(") == 0) out.push_back(call);
  return out;
}

void SetRecording(bool on) {
  std::lock_guard guard(state().lock);
  state().recording = on;
}

std::int32_t ReadCount(std::int32_t address) {
  std::lock_guard guard(state().lock);
  const auto found = state().readCounts.find(address);
  return found == state().readCounts.end() ? 0 : found->second;
}

std::int32_t OpenHandles() {
  std::lock_guard guard(state().lock);
  return static_cast<std::int32_t>(state().handles.size());
}

wrenlo::MediumInformation Medium(std::u16string_view type, std::int32_t firstSession,
                                 std::int32_t lastSession, std::int32_t firstTrack,
                                 std::int32_t lastTrack) {
  wrenlo::MediumInformation m;
  std::memset(&m, 0, sizeof m);
  m.typeName.set(type);
  m.firstSession = firstSession;
  m.lastSession = lastSession;
  m.firstTrack = firstTrack;
  m.lastTrack = lastTrack;
  return m;
}

wrenlo::SessionInfo Session(std::int32_t sectorCount, std::int32_t startSector,
                            std::int32_t firstTrack) {
  wrenlo::SessionInfo record;
  std::memset(&record, 0, sizeof record);
  record.sectorCount = sectorCount;
  record.startSector = startSector;
  record.firstTrack = firstTrack;
  return record;
}

}  // namespace fake

namespace wrenlo {

using fake::Args;
using fake::state;

namespace {

// The contents of the sector at address, size bytes of it.
void FillSector(const fake::State& s, std::int32_t address, std::uint8_t* buffer,
                std::size_t size) {
  if (const auto found = s.script.sectors.find(address); found != s.script.sectors.end()) {
    std::memset(buffer, 0, size);
    std::memcpy(buffer, found->second.data(), std::min(size, found->second.size()));
  } else {
    for (std::size_t i = 0; i + 4 <= size; i += 4) std::memcpy(buffer + i, &address, 4);
  }
}

// A read of several sectors, 2048 bytes each: it fails while any of them is
// due to fail, without counting in its run of failures, as an image's faults
// file does; one that succeeds ends each sector's run.
std::int32_t ReadSeveral(fake::State& s, std::int32_t address, std::int32_t count,
                         std::uint8_t* buffer, std::int32_t bufferSize, std::int32_t result) {
  for (std::int32_t i = 0; i < count; ++i) {
    const auto found = s.script.readFailures.find(address + i);
    if (found == s.script.readFailures.end()) continue;
    if (found->second < 0 || s.failuresInRow[address + i] < found->second) {
      if (s.script.failedReadFill)
        std::memset(buffer, *s.script.failedReadFill, static_cast<std::size_t>(bufferSize));
      return s.script.readFailureResult;
    }
  }
  if (result != 0) return result;
  if (static_cast<std::int64_t>(count) * 2048 > bufferSize) return 1;
  for (std::int32_t i = 0; i < count; ++i) {
    s.failuresInRow[address + i] = 0;
    FillSector(s, address + i, buffer + static_cast<std::size_t>(i) * 2048, 2048);
  }
  return 0;
}

}  // namespace

std::int32_t Initialize() {
  std::lock_guard guard(state().lock);
  return fake::Call(state(), "Initialize");
}

std::int32_t GetDevices(DeviceListEntry* entries, std::int32_t* count, std::int32_t flags) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "GetDevices", flags);
  const auto& devices = s.script.devices;
  const std::size_t filled = std::min<std::size_t>(devices.size(), kMaxDevices);
  for (std::size_t i = 0; i < filled; ++i) entries[i].text.set(devices[i]);
  *count = s.script.deviceCount.value_or(static_cast<std::int32_t>(filled));
  return result;
}

namespace {

// Gives the scripted text of a drive letter as the engine's whole-text
// operations do.
std::int32_t ScriptedText(std::map<std::int32_t, std::u16string> fake::Script::*texts,
                          std::int32_t driveLetter, char16_t* text, std::int32_t* units) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const auto found = (s.script.*texts).find(driveLetter);
  if (found == (s.script.*texts).end()) return 3;  // no drive with that letter
  const std::u16string& whole = found->second;
  const auto needed = static_cast<std::int32_t>(whole.size() + 1);
  const std::int32_t room = *units;
  *units = needed;
  if (room <= 0) return 18;  // cut
  const auto copied = static_cast<std::size_t>(std::min(room - 1, needed - 1));
  std::copy_n(whole.begin(), copied, text);
  text[copied] = u'\0';
  return room >= needed ? 0 : 18;
}

}  // namespace

std::int32_t GetDeviceUnusableReason(std::int32_t driveLetter, char16_t* text,
                                     std::int32_t* units) {
  return ScriptedText(&fake::Script::unusableReasons, driveLetter, text, units);
}

std::int32_t GetDeviceName(std::int32_t driveLetter, char16_t* text, std::int32_t* units) {
  return ScriptedText(&fake::Script::names, driveLetter, text, units);
}

std::int32_t GetDevicePath(std::int32_t driveLetter, char16_t* text, std::int32_t* units) {
  return ScriptedText(&fake::Script::paths, driveLetter, text, units);
}

std::int32_t SetBurnDevice(std::int32_t driveLetter) {
  std::lock_guard guard(state().lock);
  return fake::Call(state(), "SetBurnDevice", driveLetter);
}

std::int32_t SetReadDevice(std::int32_t driveLetter) {
  std::lock_guard guard(state().lock);
  return fake::Call(state(), "SetReadDevice", driveLetter);
}

std::int32_t GetDeviceInformation(std::int32_t device, char16_t* vendor, char16_t* model,
                                  char16_t* revision) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "GetDeviceInformation", device);
  if (const auto& identity = s.script.identity) {
    fake::CopyUnits(vendor, 9, (*identity)[0]);
    fake::CopyUnits(model, 17, (*identity)[1]);
    fake::CopyUnits(revision, 6, (*identity)[2]);
  }
  return result;
}

std::int32_t GetDeviceInformationEx(std::int32_t device, DeviceInformationEx* info) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "GetDeviceInformationEx", device);
  if (s.script.deviceInfoEx) *info = *s.script.deviceInfoEx;
  return result;
}

std::int32_t GetDeviceCapabilitiesHandle(std::int32_t device, Handle* handle) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "GetDeviceCapabilitiesHandle", device);
  if (s.script.capabilitiesHandle) *handle = *s.script.capabilitiesHandle;
  return result;
}

std::int32_t ReleaseDeviceCapabilities(Handle handle) {
  std::lock_guard guard(state().lock);
  return fake::Call(state(), "ReleaseDeviceCapabilities", handle);
}

std::int32_t AnalyseDeviceCapability(Handle handle, std::uint64_t capability,
                                     std::uint8_t* answer) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  if (s.recording)
    s.calls.push_back("AnalyseDeviceCapability(" + Args(handle) + ", " + fake::Hex(capability) +
                      ")");
  const auto found = s.script.capabilities.find(capability);
  if (found != s.script.capabilities.end()) *answer = found->second;
  const auto result = s.script.results.find("AnalyseDeviceCapability");
  return result == s.script.results.end() ? 0 : result->second;
}

std::int32_t GetMaxReadSpeed(std::int32_t device, std::int32_t* kbPerSecond) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "GetMaxReadSpeed", device);
  if (s.script.maxReadSpeed) *kbPerSecond = *s.script.maxReadSpeed;
  return result;
}

std::int32_t SetReadSpeed(std::int32_t device, std::int32_t kbPerSecond) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  return fake::Call(s, "SetReadSpeed", device, kbPerSecond);
}

std::int32_t GetMaxBurnSpeed(std::int32_t device, std::int32_t* kbPerSecond) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "GetMaxBurnSpeed", device);
  if (s.script.maxBurnSpeed) *kbPerSecond = *s.script.maxBurnSpeed;
  return result;
}

std::int32_t GetMediumInformation(std::int32_t device, MediumInformation* info) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "GetMediumInformation", device);
  if (s.script.medium) *info = *s.script.medium;
  return result;
}

std::int32_t GetSessionInformation(std::int32_t device, std::int32_t session, SessionInfo* info) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "GetSessionInformation", device, session);
  if (const auto found = s.script.sessions.find(session); found != s.script.sessions.end())
    *info = found->second;
  return result;
}

std::int32_t GetTrackInformation(std::int32_t device, std::int32_t track, TrackInformation* info) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "GetTrackInformation", device, track);
  if (const auto found = s.script.tracks.find(track); found != s.script.tracks.end())
    *info = found->second;
  return result;
}

std::int32_t GetTrackExtent(std::int32_t device, std::int32_t track, std::int32_t* session,
                            std::int32_t* firstSector, std::int32_t* sectorCount) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "GetTrackExtent", device, track);
  if (const auto found = s.script.trackExtents.find(track); found != s.script.trackExtents.end()) {
    *session = found->second[0];
    *firstSector = found->second[1];
    *sectorCount = found->second[2];
  }
  return result;
}

std::int32_t ReadSectors(std::int32_t device, std::int32_t address, std::int32_t count,
                         std::int32_t mode, std::uint8_t* buffer, std::int32_t bufferSize) {
  auto& s = state();
  std::function<void(std::int32_t)> onRead;
  {
    std::lock_guard guard(s.lock);
    onRead = s.script.onRead;
  }
  if (onRead) onRead(address);
  std::lock_guard guard(s.lock);
  std::int32_t result = fake::Call(s, "ReadSectors", device, address, count, mode, bufferSize);
  ++s.readCounts[address];
  if (count > 1) return ReadSeveral(s, address, count, buffer, bufferSize, result);
  if (const auto found = s.script.readFailures.find(address);
      found != s.script.readFailures.end()) {
    std::int32_t& inRow = s.failuresInRow[address];
    if (found->second < 0 || inRow < found->second) {
      ++inRow;
      if (s.script.failedReadFill)
        std::memset(buffer, *s.script.failedReadFill, static_cast<std::size_t>(bufferSize));
      return s.script.readFailureResult;
    }
    inRow = 0;
  }
  if (result != 0) return result;
  FillSector(s, address, buffer, static_cast<std::size_t>(bufferSize));
  return 0;
}

std::int32_t OpenDiskSession(std::int32_t device, std::int32_t track, Handle* session,
                             std::int32_t fileSystem) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "OpenDiskSession", device, track, fileSystem);
  if (result == 0) {
    *session = s.nextHandle++;
    s.handles[*session] = fake::OpenHandle{false, fileSystem, {}};
  }
  return result;
}

std::int32_t CloseDiskSession(Handle session) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  s.handles.erase(session);
  return fake::Call(s, "CloseDiskSession", session);
}

std::int32_t GetISOVolumeInformation(Handle session, IsoVolumeInfo* info) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "GetISOVolumeInformation", session);
  const auto open = s.handles.find(session);
  if (open == s.handles.end() || open->second.isDirectory) return result ? result : 1;
  const auto found = s.script.isoVolumes.find(open->second.fileSystem);
  if (found != s.script.isoVolumes.end()) *info = found->second;
  return result;
}

std::int32_t GetUDFVolumeInformation(Handle session, UdfVolumeInfo* info) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "GetUDFVolumeInformation", session);
  if (s.script.udfVolume) *info = *s.script.udfVolume;
  return result;
}

std::int32_t OpenDirectory(Handle session, const char16_t* path, Handle* directory) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::u16string text = path;
  const std::int32_t result = fake::Call(s, "OpenDirectory", session, text);
  if (result == 0 && s.script.directories.count(text) != 0) {
    *directory = s.nextHandle++;
    s.handles[*directory] = fake::OpenHandle{true, 0, text};
    return 0;
  }
  return result == 0 ? 1 : result;
}

std::int32_t ReadDirectory(Handle directory, std::int32_t index, DirectoryEntry* entry) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  std::int32_t result = fake::Call(s, "ReadDirectory", directory, index);
  const auto open = s.handles.find(directory);
  if (result != 0 || open == s.handles.end() || !open->second.isDirectory)
    return result ? result : 1;
  const auto& children = s.script.directories[open->second.path];
  if (index < 0 || static_cast<std::size_t>(index) >= children.size()) return kResultEndOfDirectory;
  const auto& child = children[static_cast<std::size_t>(index)];
  entry->name.set(child.name);
  entry->attributes = child.isDirectory ? kAttributeDirectory : child.isLink ? kAttributeLink : 0;
  entry->modifiedKnown = child.timeKnown ? 1 : 0;
  entry->modifiedSeconds = child.seconds;
  entry->modifiedNanoseconds = child.nanoseconds;
  return 0;
}

std::int32_t CloseDirectory(Handle directory) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  s.handles.erase(directory);
  return fake::Call(s, "CloseDirectory", directory);
}

std::int32_t VerifyFile(Handle session, const char16_t* path) {
  auto& s = state();
  const std::u16string text = path;
  std::function<void(const std::u16string&)> onVerify;
  {
    std::lock_guard guard(s.lock);
    onVerify = s.script.onVerify;
  }
  if (onVerify) onVerify(text);
  std::lock_guard guard(s.lock);
  const std::int32_t result = fake::Call(s, "VerifyFile", session, text);
  return result != 0 ? result : (s.script.failingFiles.count(text) ? 1 : 0);
}

std::int32_t GetFileSectors(Handle session, const char16_t* path, std::uint64_t* sectors) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  *sectors = 0;
  for (const fake::LayoutItem& item : s.script.layout)
    if (item.kind == wrenlo::kLayoutFile && item.name == path)
      for (const wrenlo::SectorRun& run : item.runs) *sectors += run.count;
  return fake::Call(s, "GetFileSectors", session, std::u16string(path));
}

std::int32_t GetFileRuns(Handle session, const char16_t* path, SectorRun* runs, std::int32_t* count,
                         std::uint64_t* size) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  if (const std::int32_t result = fake::Call(s, "GetFileRuns", session, std::u16string(path));
      result != 0)
    return result;
  for (const fake::LayoutItem& item : s.script.layout)
    if (item.kind == wrenlo::kLayoutFile && item.name == path) {
      const std::int32_t room = *count;
      *count = static_cast<std::int32_t>(item.runs.size());
      *size = item.size;
      if (item.runs.size() > static_cast<std::size_t>(room)) return kResultTooLarge;
      std::copy(item.runs.begin(), item.runs.end(), runs);
      return 0;
    }
  return kResultNotFound;
}

// Hands the script's bytes over outside the engine's lock, in two pieces so
// that a reader meets a file in parts.
std::int32_t ReadFile(Handle session, const char16_t* path, FileDataCallback callback,
                      void* context) {
  auto& s = state();
  const std::u16string text = path;
  std::function<void(const std::u16string&)> onVerify;
  std::vector<std::uint8_t> data;
  {
    std::lock_guard guard(s.lock);
    onVerify = s.script.onVerify;
    if (const std::int32_t result = fake::Call(s, "ReadFile", session, text); result != 0)
      return result;
    if (s.script.failingFiles.count(text)) return 1;
    if (const auto found = s.script.fileData.find(text); found != s.script.fileData.end())
      data = found->second;
  }
  if (onVerify) onVerify(text);
  const std::size_t half = data.size() / 2;
  for (const auto& [from, size] :
       {std::pair{std::size_t{0}, half}, std::pair{half, data.size() - half}}) {
    if (size == 0) continue;
    if (const std::int32_t taken =
            callback(context, data.data() + from, static_cast<std::int32_t>(size));
        taken != 0)
      return taken;
  }
  return 0;
}

std::int32_t GetLinkTarget(Handle session, const char16_t* path, char16_t* target,
                           std::int32_t* size) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::u16string text = path;
  if (const std::int32_t result = fake::Call(s, "GetLinkTarget", session, text); result != 0)
    return result;
  const auto found = s.script.linkTargets.find(text);
  if (found == s.script.linkTargets.end()) return kResultNotFound;
  const std::int32_t room = *size;
  *size = static_cast<std::int32_t>(found->second.size());
  if (found->second.size() > static_cast<std::size_t>(room)) return kResultTooLarge;
  std::copy(found->second.begin(), found->second.end(), target);
  return 0;
}

std::int32_t GetFileAttribute(Handle session, const char16_t* path, const char* name,
                              std::uint8_t* value, std::int32_t* size) {
  auto& s = state();
  std::lock_guard guard(s.lock);
  const std::u16string text = path;
  const std::string key = name;
  const std::u16string wideName(key.begin(), key.end());
  if (const std::int32_t result = fake::Call(s, "GetFileAttribute", session, text, wideName);
      result != 0)
    return result;
  const auto found = s.script.attributes.find({text, key});
  if (found == s.script.attributes.end()) return kResultNotFound;
  const std::vector<std::uint8_t>& bytes = found->second;
  const std::int32_t room = *size;
  *size = static_cast<std::int32_t>(bytes.size());
  if (bytes.size() > static_cast<std::size_t>(room)) return 18;
  std::copy(bytes.begin(), bytes.end(), value);
  return 0;
}

const char* ResultName(std::int32_t result) {
  // A name that shows the code, kept for the life of the program.
  static std::mutex lock;
  static std::map<std::int32_t, std::string> names;
  std::lock_guard guard(lock);
  return names.try_emplace(result, "result " + std::to_string(result)).first->second.c_str();
}

namespace {

// Lists the script's layout, calling back outside the engine's lock.
std::int32_t ListScriptLayout(const char* operation, std::int32_t argument, LayoutCallback callback,
                              void* context) {
  std::vector<fake::LayoutItem> items;
  {
    auto& s = state();
    std::lock_guard guard(s.lock);
    if (const std::int32_t result = fake::Call(s, operation, argument); result != 0) return result;
    items = s.script.layout;
  }
  for (const fake::LayoutItem& item : items) {
    LayoutRecord record{};
    record.kind = item.kind;
    record.size = item.size;
    record.name = item.name.c_str();
    record.nameLength = static_cast<std::int32_t>(item.name.size());
    record.runCount = static_cast<std::int32_t>(item.runs.size());
    record.runs = item.runs.data();
    record.target = u"";
    record.flags = item.flags;
    record.directory = u"";
    if (const std::int32_t stop = callback(context, &record); stop != 0) return stop;
  }
  return 0;
}

}  // namespace

std::int32_t ListSessionLayout(Handle session, LayoutCallback callback, void* context) {
  return ListScriptLayout("ListSessionLayout", static_cast<std::int32_t>(session), callback,
                          context);
}

std::int32_t ListMediumLayout(std::int32_t device, LayoutCallback callback, void* context) {
  return ListScriptLayout("ListMediumLayout", device, callback, context);
}

std::int32_t EjectDevice(std::int32_t device) {
  std::lock_guard guard(state().lock);
  return fake::Call(state(), "EjectDevice", device);
}

std::int32_t CloseDevice(std::int32_t device) {
  std::lock_guard guard(state().lock);
  return fake::Call(state(), "CloseDevice", device);
}

std::int32_t OpenImageDrive(const char* path, std::int32_t* driveLetter) {
  std::lock_guard guard(state().lock);
  *driveLetter = state().script.openedImageLetter;
  return fake::Call(state(), "OpenImageDrive", std::u16string(path, path + std::strlen(path)));
}

std::int32_t CloseImageDrive(std::int32_t driveLetter) {
  std::lock_guard guard(state().lock);
  return fake::Call(state(), "CloseImageDrive", driveLetter);
}

std::int32_t GetMediumPresence(std::int32_t driveLetter, std::int32_t* present,
                               std::uint32_t* changes) {
  std::lock_guard guard(state().lock);
  const auto found = state().script.presence.find(driveLetter);
  if (found != state().script.presence.end()) {
    *present = found->second.present ? 1 : 0;
    *changes = found->second.changes;
  }
  return fake::Call(state(), "GetMediumPresence", driveLetter);
}

std::int32_t GetDriveSetStamp(std::uint32_t* stamp) {
  std::lock_guard guard(state().lock);
  *stamp = state().script.driveSetStamp;
  return fake::Call(state(), "GetDriveSetStamp");
}

// Lists the script's files, calling back outside the engine's lock.
std::int32_t ListImageFiles(ImageFileCallback callback, void* context) {
  std::vector<std::pair<std::int32_t, std::string>> files;
  {
    std::lock_guard guard(state().lock);
    files = state().script.imageFiles;
  }
  for (const auto& [role, path] : files) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) continue;
    const ImageFileRecord record{role, static_cast<std::uint64_t>(status.st_dev),
                                 static_cast<std::uint64_t>(status.st_ino), path.c_str()};
    if (const std::int32_t stop = callback(context, &record); stop != 0) return stop;
  }
  return 0;
}

// ParseMapfile is the engine's own (its object is in this library): taken
// along wherever the fake is, whatever order the archives are linked in.
[[gnu::used]] static auto* const kEnginesMapfileReader = &ParseMapfile;

std::int32_t GetMissingSectors(std::int32_t device, std::int64_t* missing) {
  std::lock_guard guard(state().lock);
  const auto found = state().script.missingSectors.find(device);
  *missing = found == state().script.missingSectors.end() ? -1 : found->second;
  return 0;
}

}  // namespace wrenlo
