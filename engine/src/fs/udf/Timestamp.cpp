#include "Timestamp.h"

namespace wrenlo::udf {
namespace {

// Type 1 (local time) carries its offset from UTC in minutes, a signed
// 12-bit number; -2047 says it is not known, and the time is then taken as
// UTC, as for types 0 (UTC) and 2.
constexpr unsigned kTypeLocal = 1;
constexpr int kNoTimezone = -2047;
constexpr int kMaxTimezone = 1440;

}  // namespace

FileTime DecodeTimestamp(ByteView view, std::size_t offset) {
  if (!view.Has(offset, kTimestampLength)) return {};
  const std::uint16_t typeAndZone = view.U16(offset);
  int zone = typeAndZone & 0x0FFF;
  if (zone >= 0x0800) zone -= 0x1000;
  const bool zoned = (typeAndZone >> 12) == kTypeLocal && zone != kNoTimezone &&
                     zone >= -kMaxTimezone && zone <= kMaxTimezone;
  const int centiseconds = view.U8(offset + 9);
  const int hundredsOfMicroseconds = view.U8(offset + 10);
  const int microseconds = view.U8(offset + 11);
  if (centiseconds > 99 || hundredsOfMicroseconds > 99 || microseconds > 99) return {};
  return ToFileTime(
      CivilTime{static_cast<std::int16_t>(view.U16(offset + 2)), view.U8(offset + 4),
                view.U8(offset + 5), view.U8(offset + 6), view.U8(offset + 7), view.U8(offset + 8),
                centiseconds * 10'000'000 + hundredsOfMicroseconds * 100'000 + microseconds * 1'000,
                zoned ? zone : 0});
}

}  // namespace wrenlo::udf
