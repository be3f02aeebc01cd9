#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "core/scan/TimeValue.h"

namespace {

TEST(TimeValueTest, FormatsInTheLocalTimeZone) {
  const std::string before = std::getenv("TZ") ? std::getenv("TZ") : "";
  struct Case {
    const char* zone;
    std::u16string text;
  };
  const Case cases[] = {
      {"UTC", u"14/11/2023 22:13:20"},
      {"UTC-2", u"15/11/2023 00:13:20"},  // POSIX: two hours east of UTC
  };
  for (const Case& c : cases) {
    setenv("TZ", c.zone, 1);
    tzset();
    EXPECT_EQ(TimeValue{1700000000}.Format("%d/%m/%Y %H:%M:%S"), c.text) << c.zone;
  }
  before.empty() ? unsetenv("TZ") : setenv("TZ", before.c_str(), 1);
  tzset();
}

}  // namespace
