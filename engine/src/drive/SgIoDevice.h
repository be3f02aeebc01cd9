// The Linux transport: SCSI commands through the SG_IO ioctl on a block
// device node (/dev/srN) opened read-only and non-blocking (an empty drive
// or an open tray must not stop the open). Commands that the kernel passes
// only on a writable descriptor get one of their own for that command.
#pragma once

#include <string>

#include "ScsiDevice.h"

namespace wrenlo::drive {

class SgIoDevice final : public ScsiDevice {
 public:
  // Takes ownership of fd, an open descriptor of path.
  SgIoDevice(std::string path, int fd);
  ~SgIoDevice() override;
  SgIoDevice(const SgIoDevice&) = delete;
  SgIoDevice& operator=(const SgIoDevice&) = delete;

  CommandOutcome Execute(const Command& command, std::span<std::uint8_t> data) override;

 private:
  std::string path_;
  int fd_;
};

}  // namespace wrenlo::drive
