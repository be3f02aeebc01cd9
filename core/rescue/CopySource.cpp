#include "core/rescue/CopySource.h"

#include <wrenlo/wrenlo.h>

#include <limits>

#include "core/scan/ReadSpeeds.h"

DriveCopySource::DriveCopySource(std::uint16_t driveLetter, bool wholeSectors,
                                 std::u16string mediumType)
    : driveLetter_(driveLetter), wholeSectors_(wholeSectors), mediumType_(std::move(mediumType)) {}

std::int32_t DriveCopySource::Read(std::int64_t address, std::int32_t count, std::uint8_t* out) {
  const std::int64_t bytes =
      std::int64_t{count} * (wholeSectors_ ? wrenlo::kRawSectorSize : wrenlo::kSectorSize);
  if (address < 0 || address > std::numeric_limits<std::int32_t>::max() ||
      bytes > std::numeric_limits<std::int32_t>::max())
    return wrenlo::ReadSectors(driveLetter_, -1, 0, 0, nullptr, 0);  // the engine's refusal
  return wrenlo::ReadSectors(driveLetter_, static_cast<std::int32_t>(address), count,
                             wholeSectors_ ? wrenlo::kReadRawSector : wrenlo::kReadUserData, out,
                             static_cast<std::int32_t>(bytes));
}

bool DriveCopySource::SetSpeed(int x) {
  return wrenlo::SetReadSpeed(driveLetter_, x > 0 ? SpeedKB(x, mediumType_) : 0) == 0;
}
