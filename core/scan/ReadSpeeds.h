// Read speeds as a user chooses them, in multiples of a medium's base speed,
// and as a drive takes them, in KB/s (1000 bytes a second) with 1x a CD's
// 176.4 KB/s, a DVD's 1385 and a BD's 4496.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// KB/s of x times the base speed of a medium of this type ("CD-R",
// "DVD+RW", "BD-ROM"; a DVD when not named).
std::int32_t SpeedKB(int x, std::u16string_view mediumType);

// The speeds offered for a drive whose fastest read is maxKB on this medium:
// the usual steps of its kind of drive up to that speed, slowest first;
// none when the drive does not say.
std::vector<int> OfferedSpeeds(std::int32_t maxKB, std::u16string_view mediumType);
