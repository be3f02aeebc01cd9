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
// Format 2 (a CD's full TOC, every session), addresses as MSF.
Reply ReadFullToc(ScsiDevice& device);
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

// READ CD: the expected sector type (byte 1 bits 4-2) and the fields of each
// sector to return (byte 9).
inline constexpr std::uint8_t kCdSectorAny = 0;   // any type; the header tells
inline constexpr std::uint8_t kCdSectorCdda = 1;  // audio only
inline constexpr std::uint8_t kCdFieldsUserData = 0x10;
// Sync, header, sub-header, user data and EDC/ECC: the whole 2352 bytes of
// any sector type.
inline constexpr std::uint8_t kCdFieldsWholeSector = 0xF8;
// With the fields, one C2 error bit per byte of the 2352 after each sector.
inline constexpr std::uint8_t kCdFieldC2Pointers = 0x02;
inline constexpr std::uint32_t kCdSectorBytes = 2352;
inline constexpr std::uint32_t kC2PointerBytes = kCdSectorBytes / 8;

// READ CD of count sectors from address, each of out.size() / count bytes
// (what fields asks for). kOk only when every byte arrived.
Result ReadCd(ScsiDevice& device, std::uint32_t address, std::uint32_t count,
              std::uint8_t sectorType, std::uint8_t fields, std::span<std::uint8_t> out);

// SET CD SPEED: reads at readKB KB/s (0xFFFF: the drive's fastest); the
// write speed stays the drive's fastest.
Result SetCdSpeed(ScsiDevice& device, std::uint16_t readKB);
// SET STREAMING with one performance descriptor for sectors 0 to endSector:
// readKB KB read each second. With restoreDefaults (RDD) the drive goes back
// to its own performance and the other fields do not count.
Result SetStreaming(ScsiDevice& device, std::uint32_t endSector, std::uint32_t readKB,
                    bool restoreDefaults);

Result StartStopUnit(ScsiDevice& device, bool loadEject, bool start);
Result PreventAllowMediumRemoval(ScsiDevice& device, bool prevent);

}  // namespace wrenlo::drive
