// Which drive a command works on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/disc/DeviceList.h"

// What a machine without a usable drive is told: that there are no drives at
// all, or that none of those listed can be used.
std::string NoDrivesText(const std::vector<DeviceListItem>& items);

// The letter of the drive requested, or of the first drive of the drive list
// when requested is 0. Nothing, after an error line, when there is no such
// drive or the engine marks it unusable.
std::optional<std::uint16_t> ChooseDrive(char16_t requested);

// "D:" for the letter D.
std::string DriveName(std::uint16_t letter);

// Why a sector the user named cannot be taken: "sector 12000 is outside
// session 1 (sectors 0 to 11935)", or "... (it holds no sectors)".
std::string OutsideSessionText(std::int64_t sector, std::int32_t session, std::int32_t sectors);
