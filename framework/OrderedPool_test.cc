#include "framework/OrderedPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(OrderedPool, ResultsComeInTheOrderOfTheJobsThoughLaterOnesFinishFirst) {
    // Earlier jobs take longer: with four threads they finish last.
    COrderedPool<int, int> pool(4, 8, [](int& job) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5 * (8 - job)));
        return job * 10;
    });
    for (int job = 0; job < 8; ++job) pool.Submit(job);
    for (int job = 0; job < 8; ++job) EXPECT_EQ(pool.Next(true), job * 10);
    EXPECT_FALSE(pool.Next(true));
    EXPECT_TRUE(pool.Empty());
}

TEST(OrderedPool, HoldsAtMostTheJobsInFlightUntilTheirResultsAreTaken) {
    COrderedPool<int, int> pool(2, 3, [](int& job) { return job; });
    pool.Submit(1);
    pool.Submit(2);
    EXPECT_FALSE(pool.Full());
    pool.Submit(3);
    EXPECT_TRUE(pool.Full());
    // Done or not, a job is held until its result is taken.
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(pool.Full());
    EXPECT_EQ(pool.Next(true), 1);
    EXPECT_FALSE(pool.Full());
}

TEST(OrderedPool, NextWithoutWaitingGivesNothingUntilTheOldestJobIsDone) {
    std::atomic<bool> release{false};
    COrderedPool<int, int> pool(2, 4, [&](int& job) {
        while (job == 0 && !release) std::this_thread::sleep_for(1ms);
        return job;
    });
    pool.Submit(0);
    pool.Submit(1);
    std::this_thread::sleep_for(20ms);  // job 1 is done by now, job 0 is not
    EXPECT_FALSE(pool.Next(false));
    release = true;
    EXPECT_EQ(pool.Next(true), 0);
    EXPECT_EQ(pool.Next(false), 1);
}

TEST(OrderedPool, AWaitForALongJobTicksUntilItIsDone) {
    // The job ends on the third tick: a wait that never ticks never ends
    // (ctest's time limit fails it).
    std::atomic<int> ticks{0};
    COrderedPool<int, int> pool(1, 2, [&](int& job) {
        while (ticks < 3) std::this_thread::sleep_for(1ms);
        return job;
    });
    pool.Submit(7);
    EXPECT_EQ(pool.Next(
                  true, [&] { ++ticks; }, 5ms),
              7);
    EXPECT_GE(ticks, 3);
}

TEST(OrderedPool, WorkersThatSpinTakeEachJobAndStopAtOnce) {
    const auto begun = std::chrono::steady_clock::now();
    {
        COrderedPool<int, int> pool(
            2, 4, [](int& job) { return job * 2; }, std::chrono::seconds(5));
        for (int round = 0; round < 3; ++round) {
            pool.Submit(round);
            std::this_thread::sleep_for(5ms);  // the workers spin in between
            EXPECT_EQ(pool.Next(true), round * 2);
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 2s) << "a spinning worker held up the stop";
}

TEST(OrderedPool, WhatAJobThrowsComesOutOfTheNextThatReachesIt) {
    COrderedPool<int, int> pool(3, 4, [](int& job) {
        if (job == 1) throw std::runtime_error("job 1");
        return job;
    });
    for (int job = 0; job < 3; ++job) pool.Submit(job);
    EXPECT_EQ(pool.Next(true), 0);
    EXPECT_THROW(pool.Next(true), std::runtime_error);
    EXPECT_EQ(pool.Next(true), 2);
}

TEST(OrderedPool, DestroyingItDropsTheJobsNotStartedAndWaitsForTheRunningOne) {
    std::atomic<bool> release{false}, started{false};
    std::atomic<int> ran{0};
    std::thread releaser;
    {
        COrderedPool<int, int> pool(1, 4, [&](int& job) {
            ++ran;
            started = true;
            while (job == 0 && !release) std::this_thread::sleep_for(1ms);
            return job;
        });
        for (int job = 0; job < 4; ++job) pool.Submit(job);
        while (!started) std::this_thread::sleep_for(1ms);
        // Job 0 ends well after the pool is told to stop.
        releaser = std::thread([&] {
            std::this_thread::sleep_for(100ms);
            release = true;
        });
    }
    releaser.join();
    EXPECT_TRUE(release);
    EXPECT_EQ(ran, 1);
}

}  // namespace
