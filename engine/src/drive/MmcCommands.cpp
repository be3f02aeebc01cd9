#include "MmcCommands.h"

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>

#include "FeatureReplies.h"
#include "MediumReplies.h"
#include "Sense.h"

namespace wrenlo::drive {

namespace {

constexpr std::uint8_t kOpTestUnitReady = 0x00;
constexpr std::uint8_t kOpInquiry = 0x12;
constexpr std::uint8_t kOpStartStopUnit = 0x1B;
constexpr std::uint8_t kOpPreventAllow = 0x1E;
constexpr std::uint8_t kOpReadCapacity = 0x25;
constexpr std::uint8_t kOpRead10 = 0x28;
constexpr std::uint8_t kOpReadToc = 0x43;
constexpr std::uint8_t kOpGetConfiguration = 0x46;
constexpr std::uint8_t kOpGetEventStatus = 0x4A;
constexpr std::uint8_t kOpReadDiscInformation = 0x51;
constexpr std::uint8_t kOpReadTrackInformation = 0x52;
constexpr std::uint8_t kOpModeSense10 = 0x5A;
constexpr std::uint8_t kOpReadBufferCapacity = 0x5C;
constexpr std::uint8_t kOpReportKey = 0xA4;
constexpr std::uint8_t kOpRead12 = 0xA8;
constexpr std::uint8_t kOpGetPerformance = 0xAC;
constexpr std::uint8_t kOpSetStreaming = 0xB6;
constexpr std::uint8_t kOpSetCdSpeed = 0xBB;
constexpr std::uint8_t kOpReadCd = 0xBE;

constexpr std::uint32_t kSectorBytes = 2048;

// A CDB from its bytes; the rest of the 16 are zero.
Command Cdb(std::initializer_list<std::uint8_t> bytes, Direction direction,
            std::uint32_t timeoutMs) {
  Command command;
  std::copy(bytes.begin(), bytes.end(), command.cdb.begin());
  command.cdbLength = static_cast<std::uint8_t>(bytes.size());
  command.direction = direction;
  command.timeoutMs = timeoutMs;
  return command;
}

void PutU16(Command& command, std::size_t at, std::uint32_t value) {
  command.cdb[at] = static_cast<std::uint8_t>(value >> 8);
  command.cdb[at + 1] = static_cast<std::uint8_t>(value);
}

void PutU32(Command& command, std::size_t at, std::uint32_t value) {
  PutU16(command, at, value >> 16);
  PutU16(command, at + 2, value);
}

// Runs a command that reads allocation bytes and gives what arrived.
Reply Ask(ScsiDevice& device, const Command& command, std::uint32_t allocation) {
  Reply reply;
  reply.bytes.assign(allocation, 0);
  const CommandOutcome outcome = Run(device, command, reply.bytes);
  reply.result = Classify(outcome);
  reply.bytes.resize(std::min<std::size_t>(outcome.transferred, allocation));
  return reply;
}

// A reply of variable length: asks with first bytes, then, when the header
// announces more than arrived, asks again for the announced length clamped
// to most. make builds the command for one allocation length.
Reply AskVariable(ScsiDevice& device, const std::function<Command(std::uint32_t)>& make,
                  std::uint32_t first, std::uint32_t most,
                  std::uint32_t (*announced)(std::span<const std::uint8_t>)) {
  Reply reply = Ask(device, make(first), first);
  if (reply.result != kOk) return reply;
  const std::uint32_t wanted = std::min(announced(reply.bytes), most);
  if (wanted > reply.bytes.size() && wanted > first) reply = Ask(device, make(wanted), wanted);
  return reply;
}

}  // namespace

CommandOutcome Run(ScsiDevice& device, const Command& command, std::span<std::uint8_t> data) {
  CommandOutcome outcome = device.Execute(command, data);
  if (IsUnitAttention(outcome)) outcome = device.Execute(command, data);
  return outcome;
}

Result TestUnitReady(ScsiDevice& device) {
  return Classify(
      Run(device, Cdb({kOpTestUnitReady, 0, 0, 0, 0, 0}, Direction::kNone, kQuickTimeoutMs), {}));
}

Reply Inquiry(ScsiDevice& device) {
  constexpr std::uint8_t kLength = 96;
  return Ask(device,
             Cdb({kOpInquiry, 0, 0, 0, kLength, 0}, Direction::kFromDevice, kQuickTimeoutMs),
             kLength);
}

Reply InquiryVpd(ScsiDevice& device, std::uint8_t page) {
  auto make = [page](std::uint32_t length) {
    Command command =
        Cdb({kOpInquiry, 0x01, page, 0, 0, 0}, Direction::kFromDevice, kQuickTimeoutMs);
    PutU16(command, 3, length);
    return command;
  };
  auto pageLength = [](std::span<const std::uint8_t> r) -> std::uint32_t {
    return r.size() >= 4 ? (std::uint32_t{r[2]} << 8 | r[3]) + 4u : 0u;
  };
  return AskVariable(device, make, 64, 0xFF, pageLength);
}

Reply GetConfiguration(ScsiDevice& device) {
  auto make = [](std::uint32_t length) {
    Command command = Cdb({kOpGetConfiguration, 0x00, 0, 0, 0, 0, 0, 0, 0, 0},
                          Direction::kFromDevice, kQuickTimeoutMs);
    PutU16(command, 7, length);
    return command;
  };
  // 0xFFF8: the largest allocation a 16-bit field carries, kept a multiple
  // of 8 as some drives want.
  return AskVariable(device, make, 1024, 0xFFF8, ConfigurationLength);
}

Reply GetConfigurationHeader(ScsiDevice& device) {
  return Ask(device,
             Cdb({kOpGetConfiguration, 0x00, 0, 0, 0, 0, 0, 0, 8, 0}, Direction::kFromDevice,
                 kQuickTimeoutMs),
             8);
}

Reply ModeSense10(ScsiDevice& device, std::uint8_t page) {
  auto make = [page](std::uint32_t length) {
    // DBD set: no block descriptors; page control 0: current values.
    Command command =
        Cdb({kOpModeSense10, 0x08, static_cast<std::uint8_t>(page & 0x3F), 0, 0, 0, 0, 0, 0, 0},
            Direction::kFromDevice, kQuickTimeoutMs);
    PutU16(command, 7, length);
    return command;
  };
  return AskVariable(device, make, 256, 0xFFF8, ModeSenseLength);
}

Reply ReportKeyRpcState(ScsiDevice& device) {
  // Key class 0, allocation 8, AGID 0, key format 08h.
  return Ask(device,
             Cdb({kOpReportKey, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0x08, 0}, Direction::kFromDevice,
                 kQuickTimeoutMs),
             8);
}

Reply ReadDiscInformation(ScsiDevice& device) {
  constexpr std::uint8_t kLength = 34;  // standard disc information, no OPC tables
  return Ask(device,
             Cdb({kOpReadDiscInformation, 0, 0, 0, 0, 0, 0, 0, kLength, 0}, Direction::kFromDevice,
                 kMediumTimeoutMs),
             kLength);
}

Reply ReadToc(ScsiDevice& device) {
  // Format 0 in byte 2 and, for drives that read only the older place, in
  // bits 7-6 of byte 9 (both 0 here); MSF clear: addresses as LBA.
  auto make = [](std::uint32_t length) {
    Command command =
        Cdb({kOpReadToc, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Direction::kFromDevice, kMediumTimeoutMs);
    PutU16(command, 7, length);
    return command;
  };
  // 4-byte header and at most 100 descriptors of 8 bytes.
  return AskVariable(device, make, 12, 4 + 100 * 8, ShortReplyLength);
}

Reply ReadFullToc(ScsiDevice& device) {
  // Format 2 in byte 2 and in byte 9 bits 7-6; MSF set, the only form of
  // this format's addresses; from session 1.
  auto make = [](std::uint32_t length) {
    Command command = Cdb({kOpReadToc, 0x02, 0x02, 0, 0, 0, 1, 0, 0, 0x80}, Direction::kFromDevice,
                          kMediumTimeoutMs);
    PutU16(command, 7, length);
    return command;
  };
  // 11-byte descriptors: 99 tracks and a few pointers per session fit in the
  // first allocation; a longer reply is asked again up to the field's limit.
  return AskVariable(device, make, 4 + 11 * 120, 0xFFFF, ShortReplyLength);
}

Reply ReadTrackInformation(ScsiDevice& device, std::uint32_t track) {
  constexpr std::uint8_t kLength = 48;
  Command command = Cdb({kOpReadTrackInformation, 0x01, 0, 0, 0, 0, 0, 0, kLength, 0},
                        Direction::kFromDevice, kMediumTimeoutMs);
  PutU32(command, 2, track);
  return Ask(device, command, kLength);
}

Reply ReadCapacity(ScsiDevice& device) {
  return Ask(
      device,
      Cdb({kOpReadCapacity, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Direction::kFromDevice, kMediumTimeoutMs),
      8);
}

Reply GetMediaEventStatus(ScsiDevice& device) {
  constexpr std::uint8_t kMediaClass = 0x10;
  return Ask(device,
             Cdb({kOpGetEventStatus, 0x01, 0, 0, kMediaClass, 0, 0, 0, 8, 0},
                 Direction::kFromDevice, kQuickTimeoutMs),
             8);
}

Reply GetWriteSpeedPerformance(ScsiDevice& device) {
  constexpr std::uint32_t kDescriptors = 32;
  Command command = Cdb({kOpGetPerformance, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x03, 0},
                        Direction::kFromDevice, kQuickTimeoutMs);
  PutU16(command, 8, kDescriptors);
  return Ask(device, command, 8 + 16 * kDescriptors);
}

Reply ReadBufferCapacity(ScsiDevice& device) {
  constexpr std::uint8_t kLength = 12;
  return Ask(device,
             Cdb({kOpReadBufferCapacity, 0, 0, 0, 0, 0, 0, 0, kLength, 0}, Direction::kFromDevice,
                 kQuickTimeoutMs),
             kLength);
}

Result ReadBlocks(ScsiDevice& device, std::uint32_t address, std::uint32_t count,
                  std::uint8_t* out) {
  if (count == 0) return kOk;
  if (count > 0xFFFFFFFFu / kSectorBytes) return kInvalidArgument;
  Command command;
  if (count <= 0xFFFF) {
    command = Cdb({kOpRead10, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Direction::kFromDevice, kReadTimeoutMs);
    PutU32(command, 2, address);
    PutU16(command, 7, count);
  } else {
    command =
        Cdb({kOpRead12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Direction::kFromDevice, kReadTimeoutMs);
    PutU32(command, 2, address);
    PutU32(command, 6, count);
  }
  const std::size_t bytes = std::size_t{count} * kSectorBytes;
  const CommandOutcome outcome = Run(device, command, std::span<std::uint8_t>(out, bytes));
  const Result result = Classify(outcome);
  if (result != kOk) return result;
  return outcome.transferred == bytes ? kOk : kTransportError;
}

Result ReadCd(ScsiDevice& device, std::uint32_t address, std::uint32_t count,
              std::uint8_t sectorType, std::uint8_t fields, std::span<std::uint8_t> out) {
  if (count == 0) return kOk;
  if (count > 0xFFFFFF || out.size() % count != 0) return kInvalidArgument;
  Command command = Cdb({kOpReadCd, static_cast<std::uint8_t>((sectorType & 0x07) << 2), 0, 0, 0, 0,
                         0, 0, 0, fields, 0, 0},
                        Direction::kFromDevice, kReadTimeoutMs);
  PutU32(command, 2, address);
  command.cdb[6] = static_cast<std::uint8_t>(count >> 16);
  PutU16(command, 7, count);
  const CommandOutcome outcome = Run(device, command, out);
  const Result result = Classify(outcome);
  if (result != kOk) return result;
  return outcome.transferred == out.size() ? kOk : kTransportError;
}

Result SetCdSpeed(ScsiDevice& device, std::uint16_t readKB) {
  Command command = Cdb({kOpSetCdSpeed, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}, Direction::kNone,
                        kQuickTimeoutMs);
  PutU16(command, 2, readKB);
  return Classify(Run(device, command, {}));
}

Result SetStreaming(ScsiDevice& device, std::uint32_t endSector, std::uint32_t readKB,
                    bool restoreDefaults) {
  constexpr std::uint32_t kDescriptorBytes = 28;
  constexpr std::uint32_t kOneSecondMs = 1000;
  Command command = Cdb({kOpSetStreaming, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Direction::kToDevice,
                        kQuickTimeoutMs);
  PutU16(command, 9, kDescriptorBytes);
  // Linux lets SET STREAMING through only on a node opened for writing.
  command.needsWriteAccess = true;
  std::array<std::uint8_t, kDescriptorBytes> descriptor{};
  const auto put = [&](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
      descriptor[at + static_cast<std::size_t>(i)] =
          static_cast<std::uint8_t>(value >> (24 - 8 * i));
  };
  descriptor[0] = restoreDefaults ? 0x04 : 0;
  put(8, endSector);
  put(12, readKB);
  put(16, kOneSecondMs);
  put(20, readKB);  // the write side asks the same, which a reader ignores
  put(24, kOneSecondMs);
  return Classify(Run(device, command, descriptor));
}

Result StartStopUnit(ScsiDevice& device, bool loadEject, bool start) {
  const auto control = static_cast<std::uint8_t>((loadEject ? 0x02 : 0) | (start ? 0x01 : 0));
  Command command = Cdb({kOpStartStopUnit, 0, 0, 0, control, 0}, Direction::kNone, kTrayTimeoutMs);
  command.needsWriteAccess = true;
  return Classify(Run(device, command, {}));
}

Result PreventAllowMediumRemoval(ScsiDevice& device, bool prevent) {
  Command command = Cdb({kOpPreventAllow, 0, 0, 0, static_cast<std::uint8_t>(prevent ? 1 : 0), 0},
                        Direction::kNone, kQuickTimeoutMs);
  command.needsWriteAccess = true;
  return Classify(Run(device, command, {}));
}

}  // namespace wrenlo::drive
