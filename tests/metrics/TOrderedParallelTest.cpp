#include "metrics/TOrderedParallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

using quorvel::TOrderedParallel;

namespace {

TEST(TOrderedParallel, EmitsInIndexOrderWhateverFinishesFirst)
{
    for (const unsigned jobs : {1u, 2u, 4u, 32u}) {
        constexpr std::size_t kCount = 24;
        std::vector<std::size_t> results(kCount, 0);
        std::vector<std::size_t> emitted;
        std::vector<std::size_t> progress;
        std::set<std::thread::id> workers;
        std::mutex workersMutex;
        TOrderedParallel::Run(
            kCount, jobs,
            [&](std::size_t i) {
                // Early items are the slowest, so later ones finish first.
                std::this_thread::sleep_for(std::chrono::milliseconds(i < 4 ? 30 : 1));
                results[i] = i * i;
                std::lock_guard lock(workersMutex);
                workers.insert(std::this_thread::get_id());
            },
            [&](std::size_t i) {
                EXPECT_EQ(i * i, results[i]) << "emitted before its work was done";
                emitted.push_back(i);
            },
            [&](std::size_t finished) { progress.push_back(finished); });
        std::vector<std::size_t> expected;
        for (std::size_t i = 0; i < kCount; ++i)
            expected.push_back(i);
        EXPECT_EQ(expected, emitted) << jobs << " jobs";
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(kCount, progress.back());
        for (std::size_t i = 1; i < progress.size(); ++i)
            EXPECT_LT(progress[i - 1], progress[i]);
        if (jobs == 1)
            EXPECT_EQ((std::set<std::thread::id>{std::this_thread::get_id()}), workers);
        else
            EXPECT_EQ(std::min<std::size_t>(jobs, kCount) > 1, workers.size() > 1) << jobs << " jobs";
    }
}

TEST(TOrderedParallel, AnExceptionStopsTheRunAndIsRethrown)
{
    for (const unsigned jobs : {1u, 3u}) {
        std::atomic<std::size_t> started{0};
        std::vector<std::size_t> emitted;
        EXPECT_THROW(TOrderedParallel::Run(
                         1000, jobs,
                         [&](std::size_t i) {
                             ++started;
                             if (i == 5)
                                 throw std::runtime_error("work");
                             // Later items take a while, so that other workers
                             // cannot run through all of them before the stop
                             // is seen, however the threads are scheduled.
                             if (i > 5)
                                 std::this_thread::sleep_for(std::chrono::milliseconds(2));
                         },
                         [&](std::size_t i) { emitted.push_back(i); }),
                     std::runtime_error);
        EXPECT_LT(started.load(), 1000u) << jobs << " jobs";
        for (const std::size_t i : emitted)
            EXPECT_LT(i, 5u);

        std::vector<std::size_t> emittedBeforeFailure;
        try {
            TOrderedParallel::Run(
                100, jobs, [](std::size_t) {},
                [&](std::size_t i) {
                    if (i == 7)
                        throw std::length_error("emit");
                    emittedBeforeFailure.push_back(i);
                });
            ADD_FAILURE() << "no exception from emit";
        } catch (const std::length_error& error) {
            EXPECT_STREQ("emit", error.what());
        }
        EXPECT_EQ((std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6}), emittedBeforeFailure);
    }
}

TEST(TOrderedParallel, NothingToDo)
{
    bool called = false;
    TOrderedParallel::Run(0, 4, [&](std::size_t) { called = true; }, [&](std::size_t) { called = true; });
    EXPECT_FALSE(called);
}

} // namespace
