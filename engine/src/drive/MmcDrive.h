// A real drive as the engine's Backend, spoken to with SCSI MMC commands.
// What the drive is and can do is asked once and kept; what medium it holds
// is asked on every Medium() call, since the user may change it at any time.
// How each sector of it is read (READ(10), or READ CD for CD audio and Mode
// 2) follows the last answer; a read with no answer yet asks for one first,
// and Eject and CloseTray drop it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Backend.h"
#include "CapabilityTable.h"
#include "IdentityReplies.h"
#include "ScsiDevice.h"
#include "SectorReadMap.h"

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
  // From the drive's media event status (GET EVENT STATUS NOTIFICATION,
  // polled); from TEST UNIT READY on a drive without it.
  Result MediumPresence(bool& present, std::uint32_t& changes) override;
  // SET STREAMING for DVD and BD drives, SET CD SPEED for CD drives: either
  // taken is enough. 0 restores the drive's own performance (RDD) and its
  // fastest CD speed.
  Result SetReadSpeed(std::int32_t kbPerSecond) override;

  Result Read(std::uint32_t address, std::uint32_t count, std::uint8_t* out) override;
  // READ CD of whole sectors: audio frames (with C2 pointers where the drive
  // reports them: a frame they mark fails), any other sector with sync,
  // header, user data, EDC and ECC. kUnsupported for other media.
  Result ReadRaw(std::uint32_t address, std::uint32_t count, std::uint8_t* out) override;
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

  // The medium's layout and the drive's current profile.
  Result DescribeMedium(MediumLayout& layout, std::uint16_t& profile);
  // How the medium's sectors are read; asks for the medium when not known.
  std::shared_ptr<const SectorReadMap> ReadMap();
  void SetReadMap(std::shared_ptr<const SectorReadMap> map);
  // READ CD of count sectors of one kind into sectorBytes bytes each: 2048
  // (user data) or 2352 (whole).
  Result ReadAudio(std::uint32_t address, std::uint32_t count, std::uint8_t* out,
                   std::size_t sectorBytes);
  Result ReadWholeData(std::uint32_t address, std::uint32_t count, std::uint8_t* out,
                       std::size_t sectorBytes);
  // Reads count sectors from address into sectorBytes each, one command per
  // run of sectors read alike: how(the map's way for the run) says which way.
  template <typename How>
  Result ReadInRuns(std::uint32_t address, std::uint32_t count, std::uint8_t* out,
                    std::size_t sectorBytes, How how);
  // Sectors of sectorBytes one READ CD may carry.
  std::uint32_t CdChunk(std::uint32_t sectorBytes) const;

  std::unique_ptr<ScsiDevice> device_;
  std::uint32_t maxTransferSectors_;
  std::once_flag factsOnce_;
  DriveFacts facts_;
  std::mutex readMapMutex_;
  std::shared_ptr<const SectorReadMap> readMap_;  // null until the medium is known
  // Set when the drive says it reports C2 errors but refuses the READ CD
  // that asks for them while taking the same READ CD without.
  std::atomic<bool> c2Refused_{false};
  // New media and removals the media event status has reported.
  std::atomic<std::uint32_t> mediaEvents_{0};
};

}  // namespace wrenlo::drive
