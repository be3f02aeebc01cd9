#include <gtest/gtest.h>

#include <string>

#include "core/extract/LocalNames.h"

namespace {

struct NameCase {
  std::u16string disc;
  std::string local;
  std::string reason;
};

TEST(LocalNamesTest, MakesEachUnsafeNameSafeAndSaysWhy) {
  const std::u16string unpaired = std::u16string(u"a") + char16_t{0xD800} + u"b";
  const NameCase cases[] = {
      {u"Fotos 2024 ✓.jpg", "Fotos 2024 ✓.jpg", ""},
      {u"emoji 😀", "emoji 😀", ""},
      {u"a/b", "a_b", "unsafe characters"},
      {std::u16string(u"a\0b", 3), "a_b", "unsafe characters"},
      {u"bell\a\x1B[31m", "bell__[31m", "unsafe characters"},
      {u"c1\x85", "c1_", "unsafe characters"},
      {u"..", "_..", "unsafe characters"},
      {u".", "_.", "unsafe characters"},
      {u"", "_", "unsafe characters"},
      {u"..hidden", "..hidden", ""},
      {unpaired,
       "a\xEF\xBF\xBD"
       "b",
       "invalid encoding"},
  };
  for (const NameCase& c : cases) {
    const LocalName name = SafeLocalName(c.disc, 255);
    EXPECT_EQ(name.name, c.local);
    EXPECT_EQ(name.reason, c.reason) << name.name;
  }
}

TEST(LocalNamesTest, CutsALongNameAtACharacterKeepingItsExtension) {
  // 'é' is two bytes: a cut at an odd byte count must not split one.
  const std::u16string disc = std::u16string(300, u'é') + u".jpeg";
  const LocalName name = SafeLocalName(disc, 255);
  EXPECT_LE(name.name.size(), 255u);
  std::string stem;
  for (int i = 0; i < 125; ++i) stem += "é";  // 250 bytes: 255 less ".jpeg"
  EXPECT_EQ(name.name, stem + ".jpeg");
  EXPECT_EQ(name.reason, "too long");

  // No dot: cut plainly; an "extension" as long as the name is not kept.
  EXPECT_EQ(SafeLocalName(std::u16string(20, u'x'), 8).name, "xxxxxxxx");
  EXPECT_EQ(SafeLocalName(u"a." + std::u16string(20, u'x'), 8).name, "a.xxxxxx");
}

TEST(LocalNamesTest, KeepsBothOfTwoNamesThatCollide) {
  FolderNames folder(255);
  EXPECT_EQ(folder.Add(u"a/b.txt").name, "a_b.txt");
  const LocalName second = folder.Add(u"a_b.txt");
  EXPECT_EQ(second.name, "a_b (2).txt");
  EXPECT_EQ(second.reason, "same name as another");
  EXPECT_EQ(folder.Add(u"a\nb.txt").name, "a_b (3).txt");
  EXPECT_EQ(folder.Add(u"a_b (2).txt").name, "a_b (2) (2).txt");
  EXPECT_EQ(folder.Add(u"README").name, "README");
  EXPECT_EQ(folder.Add(u"README").name, "README (2)");

  // A numbered name that would be too long is cut before its number.
  FolderNames narrow(10);
  EXPECT_EQ(narrow.Add(u"abcdefghij").name, "abcdefghij");
  EXPECT_EQ(narrow.Add(u"abcdefghijkl").name, "abcdef (2)");
}

}  // namespace
