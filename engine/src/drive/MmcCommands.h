// One thin function per SCSI MMC command the engine sends. Each builds its
// CDB, runs it with its class's time-out and gives the drive's reply bytes;
// a unit attention (medium changed, drive reset) is consumed and the command
// sent once more. Replies of variable length are asked for with a first
// allocation and asked again with the length their header announces,
// clamped to what the CDB can carry.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "Result.h"
#include "ScsiDevice.h"

namespace wrenlo::drive {

struct Reply {
  Result result = kOk;
  std::vector<std::uint8_t> bytes;  // the bytes the drive transferred
};

// Runs a command; on a unit attention runs it once more.
CommandOutcome Run(ScsiDevice& device, const Command& command, std::span<std::uint8_t> data);

Result TestUnitReady(ScsiDevice& device);
Reply Inquiry(ScsiDevice& device);
Reply InquiryVpd(ScsiDevice& device, std::uint8_t page);
// All features the drive has (RT 0), from feature 0.
Reply GetConfiguration(ScsiDevice& device);
// The header alone (8 bytes): enough for the current profile.
Reply GetConfigurationHeader(ScsiDevice& device);
Reply ModeSense10(ScsiDevice& device, std::uint8_t page);
Reply ReportKeyRpcState(ScsiDevice& device);
Reply ReadDiscInformation(ScsiDevice& device);
// Format 0 (TOC), addresses as LBA.
Reply ReadToc(ScsiDevice& device);
Reply ReadTrackInformation(ScsiDevice& device, std::uint32_t track);
Reply ReadCapacity(ScsiDevice& device);
// GET EVENT STATUS NOTIFICATION, polled, media class.
Reply GetMediaEventStatus(ScsiDevice& device);
// GET PERFORMANCE, type 03h (write speed descriptors).
Reply GetWriteSpeedPerformance(ScsiDevice& device);
Reply ReadBufferCapacity(ScsiDevice& device);

// READ(10), or READ(12) for a count READ(10) cannot carry: count 2048-byte
// sectors from address into out. kOk only when every byte arrived.
Result ReadBlocks(ScsiDevice& device, std::uint32_t address, std::uint32_t count,
                  std::uint8_t* out);

Result StartStopUnit(ScsiDevice& device, bool loadEject, bool start);
Result PreventAllowMediumRemoval(ScsiDevice& device, bool prevent);

}  // namespace wrenlo::drive
