// The engine-wide state behind the public operations: the drive list, the
// current device and the handles. Any thread may call at any time.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

#include "Backend.h"
#include "api/HandleTable.h"
#include "registry/DriveList.h"

namespace wrenlo {

class EngineState {
 public:
  static EngineState& Get();

  // Lists the drives anew: the machine's drives, then the images named in
  // WRENLO_IMAGES. No device is current afterwards.
  void Initialize();
  // The display texts of the drive list, in order.
  std::vector<std::u16string> DeviceTexts();
  // Makes the drive with this letter the current device; when there is no
  // usable drive with it, no device is current and kNoDevice is returned.
  Result Select(std::int32_t letter);
  // The backend that device names: kCurrentDevice, or a drive letter.
  Result Device(std::int32_t device, std::shared_ptr<Backend>& out);

  HandleTable& Handles() { return handles_; }

 private:
  // Builds the drive list on first use when Initialize was not called.
  void EnsureInitialized();

  std::atomic<bool> initialized_{false};
  std::shared_mutex mutex_;
  std::vector<DriveEntry> drives_;
  std::shared_ptr<Backend> current_;
  HandleTable handles_;
};

}  // namespace wrenlo
