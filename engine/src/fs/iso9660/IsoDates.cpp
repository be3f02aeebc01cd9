#include "fs/iso9660/IsoDates.h"

#include <algorithm>

namespace wrenlo {

namespace {

// The offset from GMT of a date, in 15-minute units: ECMA-119 allows -48
// (12 hours behind) to +52 (13 ahead); up to 52 either way is taken. Beyond
// that the offset is not trusted and the time is taken as GMT, as Linux
// does (genisoimage writes such offsets for some times).
int OffsetMinutes(std::uint8_t offset) {
  const int quarters = static_cast<std::int8_t>(offset);
  return quarters >= -52 && quarters <= 52 ? quarters * 15 : 0;
}

bool AllZero(Bytes bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// The digits of text (all of them decimal) as a number, or -1.
int Digits(Bytes text) {
  int value = 0;
  for (const std::uint8_t c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

bool DecodeLongDateFields(Bytes date, CivilTime& out) {
  if (date.size() < kLongDateLength) return false;
  const int fields[] = {Digits(date.subspan(0, 4)),  Digits(date.subspan(4, 2)),
                        Digits(date.subspan(6, 2)),  Digits(date.subspan(8, 2)),
                        Digits(date.subspan(10, 2)), Digits(date.subspan(12, 2)),
                        Digits(date.subspan(14, 2))};
  if (std::any_of(std::begin(fields), std::end(fields), [](int field) { return field < 0; }))
    return false;
  out = CivilTime{fields[0],
                  fields[1],
                  fields[2],
                  fields[3],
                  fields[4],
                  fields[5],
                  fields[6] * 10'000'000,
                  OffsetMinutes(date[16])};
  return true;
}

FileTime DecodeShortDate(Bytes date) {
  if (date.size() < kShortDateLength || AllZero(date.first(kShortDateLength))) return {};
  return ToFileTime(CivilTime{1900 + date[0], date[1], date[2], date[3], date[4], date[5], 0,
                              OffsetMinutes(date[6])});
}

FileTime DecodeLongDate(Bytes date) {
  CivilTime civil;
  // An unset date has '0' digits and a zero offset; it fails as a date too
  // (month 0), so no special case is needed.
  if (!DecodeLongDateFields(date, civil)) return {};
  return ToFileTime(civil);
}

}  // namespace wrenlo
