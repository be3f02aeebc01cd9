// UTF-8 from and to the core's UTF-16 texts.
#include <gtest/gtest.h>

#include "core/report/Utf8.h"

namespace {

TEST(Utf8Test, DecodesValidTextAndReplacesWhatIsNot) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"plain /path/disc.iso", u"plain /path/disc.iso"},
      {"M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x92\xBF", u"M\u00FCller \u20AC \U0001F4BF"},
      {"stray \x80 byte", u"stray \uFFFD byte"},
      {"cut \xE2\x82", u"cut \uFFFD"},
      {"cut \xE2\x82 short", u"cut \uFFFD short"},
      {"overlong \xC0\xAF and \xE0\x80\xAF", u"overlong \uFFFD\uFFFD and \uFFFD"},
      {"surrogate \xED\xA0\x80.", u"surrogate \uFFFD."},
      {"too far \xF4\x90\x80\x80.", u"too far \uFFFD."},
  };
  for (const auto& [utf8, utf16] : cases) {
    EXPECT_EQ(FromUtf8(utf8), utf16) << utf8;
    if (utf16.find(u'\uFFFD') == std::u16string::npos) {
      EXPECT_EQ(ToUtf8(FromUtf8(utf8)), utf8);
    }
  }
}

}  // namespace
