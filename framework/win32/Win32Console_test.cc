// The Win32 console: which stop each control event records, a close held
// back until the run reaches its stop point, and redirected streams told
// from a console.
#include "framework/win32/Win32Console.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "samples/TestFolder.h"

namespace {

// Long enough that a test never sees the bound unless the wait is broken.
constexpr DWORD kLongWaitMs = 20000;

TEST(ConsoleStopsTest, CtrlBreakInterruptsAndTheRunGoesOn) {
    CConsoleStops stops(kLongWaitMs);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(stops.OnControl(CTRL_BREAK_EVENT)) << "left to the default handler, which ends";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5))
        << "an interrupt waited for the stop point";
    EXPECT_EQ(stops.Requested(), StopRequest::kInterrupt);
    EXPECT_FALSE(stops.OnControl(CTRL_C_EVENT)) << "a second Ctrl-C must end the process at once";
    EXPECT_EQ(stops.Requested(), StopRequest::kInterrupt);
}

TEST(ConsoleStopsTest, CloseTerminatesOnlyOnceTheStopPointIsReached) {
    CConsoleStops stops(kLongWaitMs);
    std::atomic<bool> returned{false};
    BOOL result = FALSE;
    std::thread handler([&] {
        result = stops.OnControl(CTRL_CLOSE_EVENT);
        returned = true;
    });
    for (int i = 0; i < 500 && stops.Requested() == StopRequest::kNone; ++i) Sleep(10);
    EXPECT_EQ(stops.Requested(), StopRequest::kTerminate);
    Sleep(300);
    EXPECT_FALSE(returned) << "the system would end the process in the middle of a write";
    stops.ReachStopPoint();
    handler.join();
    EXPECT_TRUE(result);
}

TEST(ConsoleStopsTest, CloseAfterTheStopPointReturnsAtOnce) {
    CConsoleStops stops(kLongWaitMs);
    stops.ReachStopPoint();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(stops.OnControl(CTRL_CLOSE_EVENT));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(stops.Requested(), StopRequest::kTerminate);
}

TEST(ConsoleDetectionTest, RedirectedStreamsAreNoConsole) {
    FILE* nul = std::fopen("NUL", "w");
    ASSERT_NE(nul, nullptr);
    EXPECT_FALSE(IsTerminal(nul)) << "the null device taken for a console";
    std::fclose(nul);
    CTestFolder folder;
    FILE* file = std::fopen((folder / "out.txt").string().c_str(), "w");
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(IsTerminal(file));
    std::fclose(file);
}

}  // namespace
