#pragma once

// The Win32 console's stop requests, apart from the handler that the
// process installs, so that tests can hand it events of their own.
#include <windows.h>

#include <atomic>
#include <functional>

#include "framework/Console.h"

class CConsoleStops {
  public:
    // Windows ends a process about 5 s after a close event, whatever its
    // handler does: the wait stays below that.
    static constexpr DWORD kCloseWaitMs = 4500;

    // How a close ends the process once the run has reached its stop point:
    // ExitProcess, or a test's stand-in.
    using ExitFunction = std::function<void(UINT status)>;

    explicit CConsoleStops(DWORD closeWaitMs = kCloseWaitMs, ExitFunction exit = nullptr);
    ~CConsoleStops();
    CConsoleStops(const CConsoleStops&) = delete;
    CConsoleStops& operator=(const CConsoleStops&) = delete;

    // Handles one console control event. The first Ctrl-C or Ctrl-Break is
    // recorded as an interrupt and TRUE returned at once: the process goes
    // on to stop where it may. The first close, log-off or shutdown is
    // recorded as a termination; once ReachStopPoint was called the process
    // ends with the status handed over there (through the exit function,
    // and TRUE is returned if that returns), else after closeWaitMs the call
    // returns TRUE and the system ends the process. Every event after the
    // first returns FALSE, so that the system's default handler ends the
    // process at once.
    BOOL OnControl(DWORD event);
    // The first stop recorded, or kNone.
    StopRequest Requested() const;
    // Lets a waiting (or later) close event end the process with exitStatus.
    void ReachStopPoint(int exitStatus);

  private:
    std::atomic<int> m_stop{static_cast<int>(StopRequest::kNone)};
    HANDLE m_reached;                  // a manual-reset event, set by ReachStopPoint
    std::atomic<int> m_exitStatus{0};  // set before m_reached
    DWORD m_closeWaitMs;
    ExitFunction m_exit;
};

// Whether a program waits for Enter before it returns: when it is the only
// process attached to its console (attachedProcesses, as
// GetConsoleProcessList counts them), the console is its own, made for it
// when started from Explorer, and closes with it; and only when its input is
// that console, where Enter can come. From a command prompt the prompt's
// process is attached too.
bool WaitsBeforeClosing(DWORD attachedProcesses, bool inputIsConsole);

// The stops of this process: what CatchStopRequests hands the console's
// control events to.
CConsoleStops& ProcessStops();
