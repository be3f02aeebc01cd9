// One SCSI command sent to a drive and what came back: the transport's own
// outcome (did the command reach the drive and return in time) kept apart
// from the drive's SCSI status and sense bytes. The MMC layer builds on this
// interface alone, so tests can stand a scripted device in for a drive.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "Result.h"

namespace wrenlo::drive {

enum class Direction { kNone, kFromDevice, kToDevice };

// Time-outs per class of command, in milliseconds. A dying disc makes a drive
// retry for a long time; these bound how long one command may block a scan.
inline constexpr std::uint32_t kQuickTimeoutMs = 10'000;   // identity, features, status
inline constexpr std::uint32_t kMediumTimeoutMs = 20'000;  // TOC and disc facts (may spin up)
inline constexpr std::uint32_t kReadTimeoutMs = 15'000;    // one READ
inline constexpr std::uint32_t kTrayTimeoutMs = 30'000;    // eject, load

struct Command {
  std::array<std::uint8_t, 16> cdb{};
  std::uint8_t cdbLength = 0;
  Direction direction = Direction::kNone;
  std::uint32_t timeoutMs = kQuickTimeoutMs;
  // Commands the kernel lets through only on a descriptor opened for
  // writing (START STOP UNIT, PREVENT ALLOW MEDIUM REMOVAL).
  bool needsWriteAccess = false;
};

// SCSI status bytes (SAM).
inline constexpr std::uint8_t kStatusGood = 0x00;
inline constexpr std::uint8_t kStatusCheckCondition = 0x02;

struct CommandOutcome {
  // kOk when the command reached the drive and came back with a status;
  // kTimeout, kTransportError or kPermissionDenied when it did not.
  Result transport = kOk;
  std::uint8_t status = kStatusGood;  // SCSI status, valid when transport is kOk
  std::array<std::uint8_t, 64> sense{};
  std::size_t senseLength = 0;  // bytes the device actually wrote to sense
  std::size_t transferred = 0;  // data bytes moved (buffer length less residual)
};

class ScsiDevice {
 public:
  virtual ~ScsiDevice() = default;
  // Runs one command; data is the whole transfer buffer (empty for kNone).
  // Safe to call from several threads.
  virtual CommandOutcome Execute(const Command& command, std::span<std::uint8_t> data) = 0;
};

}  // namespace wrenlo::drive
