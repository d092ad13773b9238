// A console program for console_stop_test.sh: catches stop requests, writes
// a Japanese line, says "ready", then waits up to 30 s for a stop and ends
// with the status the terminal tool gives for it (0 when none came).
#include <windows.h>

#include <cstdio>

#include "framework/Console.h"

int main() {
    CatchStopRequests();
    WriteText(stdout, "訂正用数値地図\n");
    std::puts("ready");
    std::fflush(stdout);
    for (int i = 0; i < 3000 && StopRequested() == StopRequest::kNone; ++i) Sleep(10);
    int status = 0;
    if (StopRequested() == StopRequest::kInterrupt) status = 128 + 2;
    if (StopRequested() == StopRequest::kTerminate) status = 128 + 15;
    ReachStopPoint(status);
    return status;
}
