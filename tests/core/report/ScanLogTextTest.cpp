#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "core/report/ScanLogText.h"

namespace {

TEST(ScanLogTextTest, DayMonthYearAndTimeInLocalTime) {
  const char* saved = std::getenv("TZ");
  const std::string previous = saved != nullptr ? saved : "";
  // Two hours ahead of UTC, as a POSIX rule that needs no time zone files.
  ::setenv("TZ", "XYZ-2", 1);
  ::tzset();
  // 2024-07-04 06:30:00 UTC.
  EXPECT_EQ(LogTimeText(TimeValue{1720074600}), u"04/07/2024 08:30:00");
  if (saved != nullptr)
    ::setenv("TZ", previous.c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
}

}  // namespace
