#include "api/EngineState.h"

#include <wrenlo/wrenlo.h>

#include <algorithm>
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
  LetterSet imageLetters;
  std::vector<DriveEntry> drives = LetterDrives(FindLinuxDrives(), opened, imageLetters);
  std::erase_if(opened, [](const ImageDrive& image) { return image.letter == 0; });
  imageLetters_ = imageLetters;
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
      // images_ changes only under this lock.
      std::vector<DriveEntry> drives = LetterDrives(FindLinuxDrives(), images_, imageLetters_);
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

Result EngineState::OpenImage(const std::string& path, char16_t& letter) {
  EnsureInitialized();
  ImageDrive image = wrenlo::OpenImage(path);
  const std::lock_guard load(loadMutex_);
  // drives_ changes only under loadMutex_, so it may be read here.
  letter = NextImageLetter(drives_, imageLetters_);
  if (letter == 0) return kTooLarge;
  image.letter = letter;
  imageLetters_.set(static_cast<std::size_t>(letter - kFirstDriveLetter));
  DriveEntry entry = ListEntry(letter, image.name, image.path, image.backend, image.problem);
  const bool usable = image.backend != nullptr;
  images_.push_back(std::move(image));
  const std::unique_lock lock(mutex_);
  drives_.push_back(std::move(entry));
  return usable ? kOk : kUnusable;
}

Result EngineState::CloseImage(std::int32_t letter) {
  EnsureInitialized();
  const std::lock_guard load(loadMutex_);
  const auto image = std::find_if(images_.begin(), images_.end(),
                                  [&](const ImageDrive& each) { return each.letter == letter; });
  if (image == images_.end()) return kNoDevice;
  std::shared_ptr<Backend> closed = std::move(image->backend);
  images_.erase(image);
  imageLetters_.reset(static_cast<std::size_t>(letter - kFirstDriveLetter));
  {
    const std::unique_lock lock(mutex_);
    std::erase_if(drives_, [&](const DriveEntry& drive) { return drive.letter == letter; });
  }
  if (closed) fileSystems_.Forget(closed.get());
  return kOk;
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
