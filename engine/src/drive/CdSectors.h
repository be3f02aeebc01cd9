// The 2048 bytes the engine gives for a CD sector that READ(10) cannot read,
// picked out of what READ CD returned: an audio sector's first 2048 bytes of
// its 2352, a data sector's user data after its header (Mode 1 and Mode 2
// Form 1: all 2048 user bytes; Mode 2 Form 2: the first 2048 of its 2324).
#pragma once

#include <cstdint>
#include <span>

#include "Result.h"

namespace wrenlo::drive {

// An audio sector as READ CD returned it with kCdFieldsUserData: 2352 bytes,
// then, when withC2, its C2 error pointers. A sector whose pointers mark any
// byte is a failed read (kMediumError): the drive could not correct it.
// out receives the frame's first bytes bytes: 2048 as user data, all 2352
// for a raw read.
Result AudioSectorData(std::span<const std::uint8_t> returned, bool withC2, std::uint8_t* out,
                       std::size_t bytes = 2048);

// A data sector as READ CD returned it with kCdFieldsWholeSector (2352
// bytes): its user data by the mode in its header; kMediumError for a mode
// the header cannot hold (3).
Result DataSectorData(std::span<const std::uint8_t> returned, std::uint8_t* out);

}  // namespace wrenlo::drive
