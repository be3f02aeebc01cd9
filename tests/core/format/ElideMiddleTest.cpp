#include <gtest/gtest.h>

#include "core/format/ElideMiddle.h"

namespace {

TEST(ElideMiddleTest, KeepsTheStartAndTheEndAroundAnEllipsis) {
  const struct {
    const char* what;
    std::u16string text;
    std::size_t maxUnits;
    std::u16string expected;
  } cases[] = {
      {"fits", u"D: short.iso", 12, u"D: short.iso"},
      {"one too long", u"D: short.iso", 11, u"D: sh\u2026t.iso"},
      {"end gets the odd unit", u"abcdefghij", 8, u"abc\u2026ghij"},
      {"room for the ellipsis only", u"abcdef", 1, u"\u2026"},
      {"no room", u"abcdef", 0, u""},
      {"empty", u"", 5, u""},
      // A character outside the basic plane (two units) is kept or dropped
      // whole on either side of the cut.
      {"pair at the head's end", u"ab\U0001F4BFcdefghij", 6, u"ab\u2026hij"},
      {"pair at the tail's start", u"abcdefgh\U0001F4BFij", 6, u"ab\u2026ij"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::u16string shown = ElideMiddle(c.text, c.maxUnits);
    EXPECT_EQ(shown, c.expected);
    EXPECT_LE(shown.size(), c.maxUnits);
  }
}

// Two long names that differ only near their end stay apart.
TEST(ElideMiddleTest, NamesDifferingAtTheEndStayDifferent) {
  const std::u16string stem(60, u'x');
  const std::u16string a = ElideMiddle(u"D: " + stem + u"-disc1.iso", 49);
  const std::u16string b = ElideMiddle(u"E: " + stem + u"-disc2.iso", 49);
  EXPECT_EQ(a.size(), 49u);
  EXPECT_TRUE(a.ends_with(u"-disc1.iso"));
  EXPECT_TRUE(b.ends_with(u"-disc2.iso"));
  EXPECT_TRUE(a.starts_with(u"D: x"));
}

}  // namespace
