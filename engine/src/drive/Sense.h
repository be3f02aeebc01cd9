// Sense data (SPC): the key, additional sense code and qualifier a drive
// reports with CHECK CONDITION, decoded from the bytes it actually wrote, in
// fixed (70h/71h) or descriptor (72h/73h) format; and what one command's
// outcome means as an engine result.
#pragma once

#include <cstdint>
#include <span>

#include "Result.h"
#include "ScsiDevice.h"

namespace wrenlo::drive {

// Sense keys (SPC-4 table 48).
inline constexpr std::uint8_t kKeyNoSense = 0x0;
inline constexpr std::uint8_t kKeyRecoveredError = 0x1;
inline constexpr std::uint8_t kKeyNotReady = 0x2;
inline constexpr std::uint8_t kKeyMediumError = 0x3;
inline constexpr std::uint8_t kKeyHardwareError = 0x4;
inline constexpr std::uint8_t kKeyIllegalRequest = 0x5;
inline constexpr std::uint8_t kKeyUnitAttention = 0x6;
inline constexpr std::uint8_t kKeyDataProtect = 0x7;
inline constexpr std::uint8_t kKeyBlankCheck = 0x8;
inline constexpr std::uint8_t kKeyAbortedCommand = 0xB;

// Additional sense codes the engine tells apart.
inline constexpr std::uint8_t kAscLbaOutOfRange = 0x21;
inline constexpr std::uint8_t kAscMediumNotPresent = 0x3A;

struct Sense {
  bool valid = false;  // false when the bytes hold no sense in a known format
  std::uint8_t key = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
};

Sense DecodeSense(std::span<const std::uint8_t> written);

// The sense of an outcome, from the bytes the device wrote.
Sense SenseOf(const CommandOutcome& outcome);

// kOk for a command that succeeded (GOOD, or CHECK CONDITION with no sense or
// a recovered error); otherwise the failure: the transport's, or one sorted
// from the sense key (medium error, not ready / no medium, illegal request /
// out of range, unit attention, ...).
Result Classify(const CommandOutcome& outcome);

// True when the drive reports a unit attention (a medium change, a reset):
// the command did not run and may be sent again.
bool IsUnitAttention(const CommandOutcome& outcome);

}  // namespace wrenlo::drive
