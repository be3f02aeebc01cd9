// The cache of decoded directories: which directories it keeps within its
// bounds.
#include <gtest/gtest.h>

#include <memory>

#include "fs/DirectoryCache.h"

namespace wrenlo {
namespace {

using Cache = DirectoryCache<int>;

TEST(DirectoryCache, KeepsTheMostRecentlyUsedWithinItsBounds) {
  // At most 3 directories and 10 entries in all.
  Cache cache(3, 10);
  const auto listing = [](int value) { return std::make_shared<const int>(value); };
  cache.Store(1, listing(1), 2);
  cache.Store(2, listing(2), 2);
  cache.Store(3, listing(3), 2);
  ASSERT_TRUE(cache.Find(1));  // now the most recently used
  cache.Store(4, listing(4), 2);
  EXPECT_FALSE(cache.Find(2));  // the least recently used went
  EXPECT_EQ(*cache.Find(1), 1);
  EXPECT_EQ(*cache.Find(3), 3);
  EXPECT_EQ(*cache.Find(4), 4);

  // Entries: 6 held, 7 more make room by dropping the oldest two (1 and 3).
  cache.Store(5, listing(5), 7);
  EXPECT_FALSE(cache.Find(1));
  EXPECT_FALSE(cache.Find(3));
  EXPECT_TRUE(cache.Find(4));
  EXPECT_TRUE(cache.Find(5));

  // A directory larger than the whole cache is not kept, and drops nothing.
  cache.Store(6, listing(6), 11);
  EXPECT_FALSE(cache.Find(6));
  EXPECT_TRUE(cache.Find(4));
  // A key already kept keeps its first listing.
  cache.Store(4, listing(40), 1);
  EXPECT_EQ(*cache.Find(4), 4);
}

}  // namespace
}  // namespace wrenlo
