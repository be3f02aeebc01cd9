// A real drive as the engine's Backend, spoken to with SCSI MMC commands.
// What the drive is and can do is asked once and kept; what medium it holds
// is asked on every Medium() call, since the user may change it at any time.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Backend.h"
#include "CapabilityTable.h"
#include "IdentityReplies.h"
#include "ScsiDevice.h"

namespace wrenlo::drive {

class MmcDrive final : public Backend {
 public:
  // maxTransferSectors: most sectors one READ may carry on this device.
  explicit MmcDrive(std::unique_ptr<ScsiDevice> device, std::uint32_t maxTransferSectors = 32);

  DriveIdentity Identity() override;
  bool HasCapability(std::uint64_t code) override;
  std::int32_t MaxReadSpeedKB() override;
  std::int32_t MaxWriteSpeedKB() override;
  Result Medium(MediumLayout& out) override;
  Result Eject() override;
  Result CloseTray() override;

  Result Read(std::uint32_t address, std::uint32_t count, std::uint8_t* out) override;
  std::uint32_t SectorCount() const override;

 private:
  // What the drive says of itself, asked once.
  struct DriveFacts {
    DriveIdentity identity;
    DriveFeatures features;
    std::int32_t maxReadKB = 0;
    std::int32_t maxWriteKB = 0;
  };
  const DriveFacts& Facts();
  DriveFacts LoadFacts();

  std::unique_ptr<ScsiDevice> device_;
  std::uint32_t maxTransferSectors_;
  std::once_flag factsOnce_;
  DriveFacts facts_;
};

}  // namespace wrenlo::drive
