#include <gtest/gtest.h>
#include <sched.h>

#include <thread>

#include "framework/Processors.h"

namespace {

TEST(UsableProcessors, FollowTheAffinityMaskNotTheMachine) {
    // On a thread of its own, held to the first processor it may use.
    int seen = 0;
    std::thread([&] {
        cpu_set_t set;
        ASSERT_EQ(sched_getaffinity(0, sizeof set, &set), 0);
        int first = 0;
        while (!CPU_ISSET(first, &set)) ++first;
        CPU_ZERO(&set);
        CPU_SET(first, &set);
        ASSERT_EQ(sched_setaffinity(0, sizeof set, &set), 0);
        seen = UsableProcessors();
    }).join();
    EXPECT_EQ(seen, 1);
    EXPECT_GE(UsableProcessors(), 1);
}

}  // namespace
