// A file's modification time as file systems record it: a calendar date and
// time with an offset from UTC, turned into seconds since 1970-01-01 00:00:00
// UTC. A date that is unset or not a real date gives an unknown time.
#pragma once

#include <chrono>
#include <cstdint>

namespace wrenlo {

struct FileTime {
  std::int64_t seconds = 0;      // since 1970-01-01 00:00:00 UTC, negative before
  std::int32_t nanoseconds = 0;  // 0 to 999,999,999
  bool known = false;
};

// The calendar fields of a recorded time; offsetMinutes is how far the
// recorded time is ahead of UTC.
struct CivilTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  std::int32_t nanoseconds = 0;
  int offsetMinutes = 0;
};

// The time civil names, or an unknown one when a field is outside its range
// (month 1-12, a day the month has, hour 0-23, minute 0-59, second 0-60,
// nanoseconds below 10^9, year 1-9999).
inline FileTime ToFileTime(const CivilTime& civil) {
  using namespace std::chrono;
  const year_month_day date{year{civil.year}, month{static_cast<unsigned>(civil.month)},
                            day{static_cast<unsigned>(civil.day)}};
  const bool valid = civil.year >= 1 && civil.year <= 9999 && civil.month >= 1 && date.ok() &&
                     civil.hour >= 0 && civil.hour <= 23 && civil.minute >= 0 &&
                     civil.minute <= 59 && civil.second >= 0 && civil.second <= 60 &&
                     civil.nanoseconds >= 0 && civil.nanoseconds < 1'000'000'000;
  if (!valid) return {};
  const std::int64_t days = sys_days{date}.time_since_epoch().count();
  const std::int64_t seconds = days * 86400 + civil.hour * 3600 + civil.minute * 60 + civil.second -
                               std::int64_t{civil.offsetMinutes} * 60;
  return FileTime{seconds, civil.nanoseconds, true};
}

}  // namespace wrenlo
