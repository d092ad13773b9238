#pragma once

// The Win32 console's stop requests, apart from the handler that the
// process installs, so that tests can hand it events of their own.
#include <windows.h>

#include <atomic>

#include "framework/Console.h"

class CConsoleStops {
  public:
    // Windows ends a process about 5 s after a close event, whatever its
    // handler does: the wait stays below that.
    static constexpr DWORD kCloseWaitMs = 4500;

    explicit CConsoleStops(DWORD closeWaitMs = kCloseWaitMs);
    ~CConsoleStops();
    CConsoleStops(const CConsoleStops&) = delete;
    CConsoleStops& operator=(const CConsoleStops&) = delete;

    // Handles one console control event. The first Ctrl-C or Ctrl-Break is
    // recorded as an interrupt and TRUE returned at once: the process goes
    // on to stop where it may. The first close, log-off or shutdown is
    // recorded as a termination, and the call returns TRUE, letting the
    // system end the process, only when ReachStopPoint was called or
    // closeWaitMs have passed. Every event after the first returns FALSE,
    // so that the system's default handler ends the process at once.
    BOOL OnControl(DWORD event);
    // The first stop recorded, or kNone.
    StopRequest Requested() const;
    // Lets a waiting (or later) close event return.
    void ReachStopPoint();

  private:
    std::atomic<int> m_stop{static_cast<int>(StopRequest::kNone)};
    HANDLE m_reached;  // a manual-reset event, set by ReachStopPoint
    DWORD m_closeWaitMs;
};

// The stops of this process: what CatchStopRequests hands the console's
// control events to.
CConsoleStops& ProcessStops();
