// A point in time as a count of whole seconds since 1970-01-01 UTC, the time
// stamp of a scan log entry; shown in local time.
#pragma once

#include <cstdint>
#include <string>

struct TimeValue {
  std::int64_t seconds = 0;

  // The current wall-clock time, cut to whole seconds.
  static TimeValue Now();

  // The time in the local time zone, formatted with a strftime pattern of
  // numeric fields such as "%d/%m/%Y %H:%M:%S".
  std::u16string Format(const char* pattern) const;

  friend bool operator==(TimeValue, TimeValue) = default;
};
