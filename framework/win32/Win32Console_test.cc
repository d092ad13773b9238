// The Win32 console: which stop each control event records, a close held
// back until the run reaches its stop point and then ending the process with
// the run's status, redirected streams told from a console, and when a
// program waits for Enter before its window closes.
#include "framework/win32/Win32Console.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "testsupport/TestFolder.h"

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

// The status a close ended the process with, or -1 while it did not.
struct ExitRecord {
    std::atomic<long long> status{-1};
    CConsoleStops::ExitFunction Function() {
        return [this](UINT exitStatus) { status = exitStatus; };
    }
};

TEST(ConsoleStopsTest, CloseTerminatesOnlyOnceTheStopPointIsReached) {
    ExitRecord exit;
    CConsoleStops stops(kLongWaitMs, exit.Function());
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
    EXPECT_EQ(exit.status, -1) << "ended before the stop point";
    stops.ReachStopPoint(143);
    handler.join();
    EXPECT_TRUE(result);
    EXPECT_EQ(exit.status, 143) << "the process must end with the run's own status";
}

TEST(ConsoleStopsTest, CloseAfterTheStopPointEndsAtOnceWithTheRunsStatus) {
    ExitRecord exit;
    CConsoleStops stops(kLongWaitMs, exit.Function());
    stops.ReachStopPoint(7);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(stops.OnControl(CTRL_CLOSE_EVENT));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(stops.Requested(), StopRequest::kTerminate);
    EXPECT_EQ(exit.status, 7);
}

TEST(ConsoleStopsTest, CloseNeverReachingTheStopPointIsLeftToTheSystem) {
    ExitRecord exit;
    CConsoleStops stops(200, exit.Function());
    EXPECT_TRUE(stops.OnControl(CTRL_CLOSE_EVENT));
    EXPECT_EQ(exit.status, -1) << "a status the run never handed over";
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

TEST(WaitBeforeClosingTest, OnlyTheSoleProcessOfTheConsoleReadingItWaits) {
    EXPECT_TRUE(WaitsBeforeClosing(1, true)) << "started from Explorer, its window closes at once";
    EXPECT_FALSE(WaitsBeforeClosing(2, true)) << "from a command prompt it must not wait";
    EXPECT_FALSE(WaitsBeforeClosing(3, true));
    EXPECT_FALSE(WaitsBeforeClosing(1, false)) << "redirected input brings no Enter";
    EXPECT_FALSE(WaitsBeforeClosing(0, true)) << "no console at all";
}

}  // namespace
