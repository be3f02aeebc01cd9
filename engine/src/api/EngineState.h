// The engine-wide state behind the public operations: the drive list, the
// current device and the handles. Any thread may call at any time.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "Backend.h"
#include "api/HandleTable.h"
#include "api/OpenedFileSystems.h"
#include "registry/DriveList.h"

namespace wrenlo {

class EngineState {
 public:
  static EngineState& Get();

  // Lists the drives anew: the machine's drives, then the images named in
  // WRENLO_IMAGES. No device is current afterwards, and every letter may be
  // given again.
  void Initialize();
  // Looks for the machine's drives again (one may have been plugged in) and
  // gives the display texts of the list, in order. The images stay as they
  // were opened, trays and fault counts included, and so does the current
  // device.
  std::vector<std::u16string> DeviceTexts();
  // The whole reason why the listed drive with this letter cannot be used
  // (empty for a usable drive); kNoDevice when the list has no such letter.
  Result UnusableReason(std::int32_t letter, std::u16string& out);
  // The whole name (vendor and model, or the image's file name) and the
  // device node or image path of the listed drive with this letter, usable
  // or not; kNoDevice when the list has no such letter.
  Result Name(std::int32_t letter, std::u16string& out);
  Result Path(std::int32_t letter, std::u16string& out);
  // Opens the image at path as one more drive, listed last with the first
  // letter no drive or image has: kOk, or kUnusable when it is listed as a
  // '#' entry (its reason says why); kTooLarge, with letter 0 and nothing
  // listed, when no letter is left.
  Result OpenImage(const std::string& path, char16_t& letter);
  // Takes the image with this letter out of the list; its letter may be
  // given again. kNoDevice when no image has this letter. Whoever uses the
  // image (the current device, a handle) keeps it until done.
  Result CloseImage(std::int32_t letter);
  // Makes the drive with this letter the current device; when there is no
  // usable drive with it, no device is current and kNoDevice is returned.
  Result Select(std::int32_t letter);
  // The backend that device names: kCurrentDevice, or a drive letter.
  Result Device(std::int32_t device, std::shared_ptr<Backend>& out);
  // The current device for a sector read, or null: the calling thread's own
  // copy of the engine-wide choice, renewed when the choice changes, so that
  // the read path takes no lock and writes no shared counter. The pointer
  // stays valid until the thread's next call.
  Backend* CurrentDeviceForRead();

  HandleTable& Handles() { return handles_; }
  OpenedFileSystems& FileSystems() { return fileSystems_; }

 private:
  // Copies one text of the listed entry with this letter.
  Result EntryText(std::int32_t letter, std::u16string DriveEntry::*text, std::u16string& out);
  // Builds the drive list on first use when Initialize was not called.
  void EnsureInitialized();
  // Opens the images and lists all drives; loadMutex_ is held.
  void Load();

  std::mutex loadMutex_;  // one listing of drives at a time
  std::atomic<bool> initialized_{false};
  // Counts changes of the current device; starts above a thread's first
  // copy, 0.
  std::atomic<std::uint64_t> generation_{1};
  std::shared_mutex mutex_;
  std::vector<ImageDrive> images_;
  LetterSet imageLetters_;
  std::vector<DriveEntry> drives_;
  std::shared_ptr<Backend> current_;
  HandleTable handles_;
  OpenedFileSystems fileSystems_;
};

// Runs use with the backend that device names, or gives why there is none.
template <typename Use>
Result WithDevice(std::int32_t device, Use use) {
  std::shared_ptr<Backend> backend;
  if (const Result result = EngineState::Get().Device(device, backend); result != kOk)
    return result;
  return use(*backend);
}

}  // namespace wrenlo
