#include "api/EngineState.h"

#include <wrenlo/wrenlo.h>

#include <cstdlib>
#include <mutex>

namespace wrenlo {

EngineState& EngineState::Get() {
  static EngineState state;
  return state;
}

void EngineState::Load() {
  const char* images = std::getenv("WRENLO_IMAGES");
  std::vector<ImageDrive> opened = OpenImages(images ? images : "");
  std::vector<DriveEntry> drives = LetterDrives(FindLinuxDrives(), opened);
  const std::unique_lock lock(mutex_);
  images_.swap(opened);
  drives_.swap(drives);
  current_.reset();
  generation_.fetch_add(1, std::memory_order_release);
  initialized_.store(true, std::memory_order_release);
  // The old list's backends go when their last user lets go of them.
  fileSystems_.Clear();
}

void EngineState::Initialize() {
  const std::lock_guard load(loadMutex_);
  Load();
}

void EngineState::EnsureInitialized() {
  if (initialized_.load(std::memory_order_acquire)) return;
  const std::lock_guard load(loadMutex_);
  if (!initialized_.load(std::memory_order_acquire)) Load();
}

std::vector<std::u16string> EngineState::DeviceTexts() {
  {
    const std::lock_guard load(loadMutex_);
    if (!initialized_.load(std::memory_order_acquire)) {
      Load();
    } else {
      // images_ changes only in Load, which this lock keeps out.
      std::vector<DriveEntry> drives = LetterDrives(FindLinuxDrives(), images_);
      const std::unique_lock lock(mutex_);
      drives_.swap(drives);
    }
  }
  const std::shared_lock lock(mutex_);
  std::vector<std::u16string> texts;
  for (const DriveEntry& drive : drives_) texts.push_back(drive.text);
  return texts;
}

Result EngineState::EntryText(std::int32_t letter, std::u16string DriveEntry::*text,
                              std::u16string& out) {
  EnsureInitialized();
  const std::shared_lock lock(mutex_);
  for (const DriveEntry& drive : drives_) {
    if (drive.letter == letter) {
      out = drive.*text;
      return kOk;
    }
  }
  return kNoDevice;
}

Result EngineState::UnusableReason(std::int32_t letter, std::u16string& out) {
  return EntryText(letter, &DriveEntry::reason, out);
}

Result EngineState::Name(std::int32_t letter, std::u16string& out) {
  return EntryText(letter, &DriveEntry::name, out);
}

Result EngineState::Path(std::int32_t letter, std::u16string& out) {
  return EntryText(letter, &DriveEntry::path, out);
}

Result EngineState::Select(std::int32_t letter) {
  EnsureInitialized();
  const std::unique_lock lock(mutex_);
  current_.reset();
  generation_.fetch_add(1, std::memory_order_release);
  for (const DriveEntry& drive : drives_) {
    if (drive.letter == letter && drive.backend) {
      current_ = drive.backend;
      return kOk;
    }
  }
  return kNoDevice;
}

Result EngineState::Device(std::int32_t device, std::shared_ptr<Backend>& out) {
  EnsureInitialized();
  const std::shared_lock lock(mutex_);
  if (device == kCurrentDevice) {
    out = current_;
  } else {
    out.reset();
    for (const DriveEntry& drive : drives_)
      if (drive.letter == device) out = drive.backend;
  }
  return out ? kOk : kNoDevice;
}

Backend* EngineState::CurrentDeviceForRead() {
  struct Copy {
    std::uint64_t generation = 0;
    std::shared_ptr<Backend> backend;
  };
  thread_local Copy copy;
  if (copy.generation != generation_.load(std::memory_order_acquire)) {
    const std::shared_lock lock(mutex_);
    copy.backend = current_;
    copy.generation = generation_.load(std::memory_order_relaxed);
  }
  return copy.backend.get();
}

}  // namespace wrenlo
