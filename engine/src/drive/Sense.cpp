#include "Sense.h"

#include <algorithm>

namespace wrenlo::drive {

namespace {

constexpr std::uint8_t kStatusConditionMet = 0x04;
constexpr std::uint8_t kStatusBusy = 0x08;
constexpr std::uint8_t kStatusReservationConflict = 0x18;
constexpr std::uint8_t kStatusTaskSetFull = 0x28;

}  // namespace

Sense DecodeSense(std::span<const std::uint8_t> written) {
  Sense sense;
  if (written.empty()) return sense;
  const std::uint8_t responseCode = written[0] & 0x7F;
  if (responseCode == 0x70 || responseCode == 0x71) {
    // Fixed format: key in byte 2; ASC and ASCQ in bytes 12 and 13, present
    // only when the additional length (byte 7) and the bytes written reach.
    if (written.size() < 3) return sense;
    sense.valid = true;
    sense.key = written[2] & 0x0F;
    const std::size_t length =
        written.size() >= 8 ? std::min<std::size_t>(written.size(), 8u + written[7]) : 0;
    if (length > 12) sense.asc = written[12];
    if (length > 13) sense.ascq = written[13];
  } else if (responseCode == 0x72 || responseCode == 0x73) {
    // Descriptor format: key, ASC and ASCQ in bytes 1 to 3.
    if (written.size() < 2) return sense;
    sense.valid = true;
    sense.key = written[1] & 0x0F;
    if (written.size() > 2) sense.asc = written[2];
    if (written.size() > 3) sense.ascq = written[3];
  }
  return sense;
}

Sense SenseOf(const CommandOutcome& outcome) {
  const std::size_t n = std::min(outcome.senseLength, outcome.sense.size());
  return DecodeSense(std::span<const std::uint8_t>(outcome.sense.data(), n));
}

Result Classify(const CommandOutcome& outcome) {
  if (outcome.transport != kOk) return outcome.transport;
  switch (outcome.status) {
    case kStatusGood:
    case kStatusConditionMet:
      return kOk;
    case kStatusCheckCondition:
      break;
    case kStatusBusy:
    case kStatusReservationConflict:
    case kStatusTaskSetFull:
      return kNotReady;
    default:
      return kTransportError;
  }
  const Sense sense = SenseOf(outcome);
  if (!sense.valid) return kTransportError;
  switch (sense.key) {
    case kKeyNoSense:
    case kKeyRecoveredError:
      return kOk;
    case kKeyNotReady:
      return sense.asc == kAscMediumNotPresent ? kNoMedium : kNotReady;
    case kKeyMediumError:
    case kKeyHardwareError:
      return kMediumError;
    case kKeyIllegalRequest:
      return sense.asc == kAscLbaOutOfRange ? kOutOfRange : kIllegalRequest;
    case kKeyUnitAttention:
      return kUnitAttention;
    case kKeyDataProtect:
      return kIllegalRequest;
    case kKeyBlankCheck:
      return kOutOfRange;
    default:
      return kTransportError;
  }
}

bool IsUnitAttention(const CommandOutcome& outcome) {
  if (outcome.transport != kOk || outcome.status != kStatusCheckCondition) return false;
  const Sense sense = SenseOf(outcome);
  return sense.valid && sense.key == kKeyUnitAttention;
}

}  // namespace wrenlo::drive
