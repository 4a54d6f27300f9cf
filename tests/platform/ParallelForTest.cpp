#include "platform/ParallelFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/AddressSpace.h"

namespace {

TEST(ParallelFor, RunsEveryPartOnceAlsoWhenNested)
{
    for (std::size_t count : {0u, 1u, 7u, 1000u}) {
        std::vector<std::atomic<int>> runs(count * 3);
        ParallelFor(count, [&](std::size_t i) {
            // A nested loop runs on the part's own thread.
            ParallelFor(3, [&](std::size_t j) { ++runs[i * 3 + j]; });
        });
        for (std::size_t i = 0; i < runs.size(); ++i) ASSERT_EQ(runs[i].load(), 1) << "count " << count << " part " << i;
    }
}

TEST(ParallelFor, RaisesTheFailureOfTheLowestPart)
{
    for (int round = 0; round < 20; ++round) {
        try {
            ParallelFor(64, [](std::size_t i) {
                if (i % 10 == 3) throw std::runtime_error("part " + std::to_string(i));
            });
            FAIL() << "no failure raised";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "part 3");
        }
    }
}

// Loops of two threads at once share the workers: each part runs once, in
// its own loop, and a failure reaches only the caller whose part raised it.
TEST(ParallelFor, LoopsOfSeveralThreadsShareTheWorkers)
{
    auto loops = [](std::size_t parts, bool failing, int& wrong) {
        for (int round = 0; round < 200; ++round) {
            std::vector<std::atomic<int>> runs(parts);
            try {
                ParallelFor(parts, [&](std::size_t i) {
                    ++runs[i];
                    if (failing && i == 5) throw std::runtime_error("failing loop");
                });
                if (failing) ++wrong;
            } catch (const std::runtime_error&) {
                if (!failing) ++wrong;
            }
            for (const auto& count : runs) wrong += count.load() != 1;
        }
    };
    int wrongA = 0;
    int wrongB = 0;
    std::thread other([&] { loops(97, true, wrongB); });
    loops(64, false, wrongA);
    other.join();
    EXPECT_EQ(wrongA, 0);
    EXPECT_EQ(wrongB, 0);
}

TEST(ParallelFor, RunsWhenWorkerThreadsCannotStart)
{
    if (!kAddressSpaceCanBeLimited) GTEST_SKIP() << "sanitizer builds cannot limit their address space";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Room for a thread stack or so, not one per core: the pool starts what
    // it can and the loop still runs every part.
    EXPECT_EXIT(
        {
            LimitAddressSpace(std::uint64_t(12) << 20);
            std::atomic<int> ran{0};
            ParallelFor(100, [&](std::size_t) { ++ran; });
            std::_Exit(ran == 100 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ParallelFor, SlicesCoverEveryItemOnceOnGranuleBounds)
{
    for (std::size_t total : {0u, 5u, 256u, 1000u, 100003u}) {
        std::vector<std::atomic<int>> seen(total);
        ParallelSlices(total, 256, 1000, [&](std::size_t begin, std::size_t end) {
            EXPECT_EQ(begin % 256, 0u);
            for (std::size_t i = begin; i < end; ++i) ++seen[i];
        });
        for (std::size_t i = 0; i < total; ++i) ASSERT_EQ(seen[i].load(), 1) << "total " << total << " item " << i;
    }
}

} // namespace
