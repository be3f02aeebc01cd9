// The timestamp of ECMA-167 1/7.3: a calendar date and time to the
// microsecond, with its type and offset from UTC.
#pragma once

#include <cstddef>

#include "ByteView.h"
#include "FileTime.h"

namespace wrenlo::udf {

inline constexpr std::size_t kTimestampLength = 12;

// The time of the timestamp at offset of view; unknown when it is unset,
// out of the view or not a real time.
FileTime DecodeTimestamp(ByteView view, std::size_t offset);

}  // namespace wrenlo::udf
