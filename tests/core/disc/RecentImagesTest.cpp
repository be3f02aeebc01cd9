#include <gtest/gtest.h>

#include "core/disc/RecentImages.h"

namespace {

using List = std::vector<std::string>;

TEST(RecentImagesTest, NewestFirstWithoutRepeatsAndAtMostEight) {
  struct Case {
    const char* what;
    List before;
    std::string opened;
    List after;
  };
  const Case cases[] = {
      {"first", {}, "/a.iso", {"/a.iso"}},
      {"new ones go first", {"/a.iso", "/b.iso"}, "/c.cue", {"/c.cue", "/a.iso", "/b.iso"}},
      {"one opened again moves up",
       {"/a.iso", "/b.iso", "/c.iso"},
       "/c.iso",
       {"/c.iso", "/a.iso", "/b.iso"}},
      {"the oldest goes beyond eight",
       {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"},
       "/9",
       {"/9", "/1", "/2", "/3", "/4", "/5", "/6", "/7"}},
      {"a longer list read back is cut",
       {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8", "/9", "/10"},
       "/3",
       {"/3", "/1", "/2", "/4", "/5", "/6", "/7", "/8"}},
  };
  for (const Case& c : cases) EXPECT_EQ(RememberImage(c.before, c.opened), c.after) << c.what;
}

}  // namespace
