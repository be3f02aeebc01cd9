// The two date forms of ISO 9660 (ECMA-119) that Rock Ridge uses too: the
// 7-byte form of directory records (9.1.5) and the 17-byte digits form of
// volume descriptors (8.4.26.1). Both carry an offset from GMT in
// 15-minute units; all zeros means no date was recorded.
#pragma once

#include "Bytes.h"
#include "FileTime.h"

namespace wrenlo {

inline constexpr std::size_t kShortDateLength = 7;
inline constexpr std::size_t kLongDateLength = 17;

// The calendar fields of a 17-byte date, "YYYYMMDDhhmmsscc" and the offset
// byte; false when it is shorter or a digit is not one.
bool DecodeLongDateFields(Bytes date, CivilTime& out);

// The time of a 7-byte date: years since 1900, month, day, hour, minute,
// second, offset. Unknown when unset, shorter or not a real date.
FileTime DecodeShortDate(Bytes date);
// The time of a 17-byte date; unknown when unset, shorter or not a real date.
FileTime DecodeLongDate(Bytes date);

}  // namespace wrenlo
