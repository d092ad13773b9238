// A console program for console_stop_test.sh: catches stop requests, writes
// a Japanese line and a progress line redrawn as the tools draw theirs, on a
// console that takes no escape sequences (as Windows' does for a program
// that asks for none); says whether the console's screen holds an escape
// character, says "ready", then waits up to 30 s for a stop and ends with
// the status the terminal tool gives for it (0 when none came).
#include <windows.h>

#include <cstdio>
#include <string>

#include "framework/Console.h"
#include "framework/ConsoleLines.h"

namespace {

// True when the console's screen buffer holds an escape character.
bool ScreenHoldsEscape(HANDLE console) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(console, &info)) return false;
    const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    std::wstring screen(cells, L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, screen.data(), cells, COORD{0, 0}, &read);
    return screen.find(L'\x1b') != std::wstring::npos;
}

}  // namespace

int main() {
    CatchStopRequests();
    WriteText(stdout, "訂正用数値地図\n");
    const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(console, &mode))
        SetConsoleMode(console, mode & ~DWORD{ENABLE_VIRTUAL_TERMINAL_PROCESSING});
    RedrawLine(stdout, "[##....]  30%  a-long-name.mem");
    RedrawLine(stdout, "[####..]  60%  b.mem");
    WriteLine(stdout, "done");
    std::puts(ScreenHoldsEscape(console) ? "escape on the screen" : "no escape on the screen");
    std::puts("ready");
    std::fflush(stdout);
    for (int i = 0; i < 3000 && StopRequested() == StopRequest::kNone; ++i) Sleep(10);
    int status = 0;
    if (StopRequested() == StopRequest::kInterrupt) status = 128 + 2;
    if (StopRequested() == StopRequest::kTerminate) status = 128 + 15;
    ReachStopPoint(status);
    return status;
}
