#include "platform/BulkMemory.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>

TEST(BulkMemory, VectorsStartZeroAndHoldWhatIsWritten)
{
    struct Row {
        const char* name;
        std::size_t count;
    };
    // Small blocks come from operator new, large ones from their own mapping.
    const Row rows[] = {{"empty", 0}, {"small", 1000}, {"just below a mapping", (1 << 20) - 1},
                        {"large, not a whole huge page", (std::size_t(5) << 20) + 3}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TBulkVector<std::uint8_t> v;
        v.resize(row.count);
        ASSERT_EQ(v.size(), row.count);
        EXPECT_TRUE(std::all_of(v.begin(), v.end(), [](std::uint8_t b) { return b == 0; }));
        std::fill(v.begin(), v.end(), std::uint8_t(0xAB));
        EXPECT_EQ(std::count(v.begin(), v.end(), std::uint8_t(0xAB)), static_cast<std::ptrdiff_t>(row.count));
    }
}

TEST(BulkMemory, ValuesSurviveGrowthAndMoves)
{
    TBulkVector<float> v(3, 1.5f);
    for (int i = 0; i < 600000; ++i) v.push_back(float(i)); // crosses into mapped blocks
    TBulkVector<float> moved = std::move(v);
    EXPECT_EQ(moved[0], 1.5f);
    EXPECT_EQ(moved[2], 1.5f);
    EXPECT_EQ(moved.back(), 599999.f);
    EXPECT_EQ(moved.size(), 600003u);
}
