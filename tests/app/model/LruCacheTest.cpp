#include "app/model/LruCache.h"

#include <gtest/gtest.h>
#include <string>

using snipstack::LruCache;

namespace {

TEST(LruCacheTest, DropsTheLeastRecentlyUsedToStayWithinItsCost) {
    LruCache<std::string, int> cache(10);
    cache.insert("a", 1, 4);
    cache.insert("b", 2, 4);
    ASSERT_TRUE(cache.find("a"));
    cache.insert("c", 3, 4);
    EXPECT_FALSE(cache.contains("b"));
    ASSERT_TRUE(cache.find("a"));
    EXPECT_EQ(*cache.find("a"), 1);
    EXPECT_EQ(cache.totalCost(), 8u);

    // A replaced value takes its new cost; one dearer than the whole bound is not kept and pushes
    // nothing out.
    cache.insert("a", 5, 2);
    EXPECT_EQ(cache.totalCost(), 6u);
    cache.insert("huge", 0, 11);
    EXPECT_FALSE(cache.contains("huge"));
    EXPECT_EQ(cache.size(), 2u);

    // One insert drops as many as it needs to.
    cache.insert("d", 4, 9);
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_EQ(cache.totalCost(), 9u);
    cache.erase("d");
    cache.erase("d");
    EXPECT_EQ(cache.totalCost(), 0u);
}

} // namespace
