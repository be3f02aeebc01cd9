#include "api/EngineState.h"

#include <wrenlo/wrenlo.h>

#include <cstdlib>
#include <mutex>

namespace wrenlo {

namespace {

std::vector<DriveEntry> FindDrives() {
  const char* images = std::getenv("WRENLO_IMAGES");
  return BuildDriveList(FindLinuxDrives(), images ? images : "");
}

}  // namespace

EngineState& EngineState::Get() {
  static EngineState state;
  return state;
}

void EngineState::Initialize() {
  std::vector<DriveEntry> drives = FindDrives();
  const std::unique_lock lock(mutex_);
  drives_.swap(drives);
  current_.reset();
  initialized_.store(true, std::memory_order_release);
  // The old list's backends go when their last user lets go of them.
}

void EngineState::EnsureInitialized() {
  if (initialized_.load(std::memory_order_acquire)) return;
  const std::unique_lock lock(mutex_);
  if (initialized_.load(std::memory_order_relaxed)) return;
  drives_ = FindDrives();
  initialized_.store(true, std::memory_order_release);
}

std::vector<std::u16string> EngineState::DeviceTexts() {
  EnsureInitialized();
  const std::shared_lock lock(mutex_);
  std::vector<std::u16string> texts;
  for (const DriveEntry& drive : drives_) texts.push_back(drive.text);
  return texts;
}

Result EngineState::Select(std::int32_t letter) {
  EnsureInitialized();
  const std::unique_lock lock(mutex_);
  current_.reset();
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

}  // namespace wrenlo
