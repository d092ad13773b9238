// The console on Win32: console control events, console handles and code
// page conversions.
#include "framework/win32/Win32Console.h"

#include <io.h>

#include <cstdio>
#include <string>
#include <utility>

#include "framework/UiLanguage.h"
#include "framework/win32/WideText.h"

namespace {

bool g_bOutputClosed = false;

BOOL WINAPI OnConsoleControl(DWORD event) { return ProcessStops().OnControl(event); }

// The console behind stream, or nullptr when it is redirected (a file, a
// pipe, NUL) or has no handle. _isatty would call NUL a terminal.
HANDLE ConsoleOf(FILE* stream) {
    const int fd = _fileno(stream);
    if (fd < 0) return nullptr;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return nullptr;
    return handle;
}

// The code page that output outside a console is read in: the console's
// output code page, or the ANSI one when there is no console.
UINT OutputCodePage() {
    const UINT codePage = GetConsoleOutputCP();
    return codePage != 0 ? codePage : GetACP();
}

// text, in codePage, in the output code page.
std::string Recode(const std::string& text, UINT codePage) {
    const UINT output = OutputCodePage();
    return output == codePage ? text : FromWide(ToWide(text, codePage), output);
}

// Writes text in codePage to stream: to a console as UTF-16, elsewhere in
// the output code page; then flushes.
bool WriteIn(FILE* stream, const std::string& text, UINT codePage) {
    const HANDLE console = ConsoleOf(stream);
    if (console == nullptr) {
        std::fputs(Recode(text, codePage).c_str(), stream);
        return std::fflush(stream) == 0 && std::ferror(stream) == 0;
    }
    // What the stream holds goes out before the text.
    if (std::fflush(stream) != 0) return false;
    const std::wstring wide = ToWide(text, codePage);
    for (size_t done = 0; done < wide.size();) {
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data() + done, static_cast<DWORD>(wide.size() - done),
                           &written, nullptr) ||
            written == 0)
            return false;
        done += written;
    }
    return true;
}

// True under Wine, whose programs started from a Unix terminal are each
// alone on their console too, though the terminal stays open after them.
bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

CConsoleStops::CConsoleStops(DWORD closeWaitMs, ExitFunction exit)
    : m_reached(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_closeWaitMs(closeWaitMs),
      m_exit(exit ? std::move(exit) : [](UINT status) { ExitProcess(status); }) {}

CConsoleStops::~CConsoleStops() {
    if (m_reached != nullptr) CloseHandle(m_reached);
}

BOOL CConsoleStops::OnControl(DWORD event) {
    StopRequest kind;
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            kind = StopRequest::kInterrupt;
            break;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            kind = StopRequest::kTerminate;
            break;
        default:
            return FALSE;
    }
    int none = static_cast<int>(StopRequest::kNone);
    if (!m_stop.compare_exchange_strong(none, static_cast<int>(kind))) return FALSE;
    // The system ends the process when a close's handler returns: first let
    // the run finish what it is writing.
    // Once it has, the process ends with the run's own status rather than
    // the system's.
    if (kind == StopRequest::kTerminate && m_reached != nullptr &&
        WaitForSingleObject(m_reached, m_closeWaitMs) == WAIT_OBJECT_0)
        m_exit(static_cast<UINT>(m_exitStatus.load()));
    return TRUE;
}

StopRequest CConsoleStops::Requested() const { return static_cast<StopRequest>(m_stop.load()); }

void CConsoleStops::ReachStopPoint(int exitStatus) {
    m_exitStatus = exitStatus;
    if (m_reached != nullptr) SetEvent(m_reached);
}

bool WaitsBeforeClosing(DWORD attachedProcesses, bool inputIsConsole) {
    return attachedProcesses == 1 && inputIsConsole;
}

CConsoleStops& ProcessStops() {
    static CConsoleStops stops;
    return stops;
}

void CatchStopRequests() {
    ProcessStops();  // made before any event can come
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

StopRequest StopRequested() { return ProcessStops().Requested(); }

void ReachStopPoint(int exitStatus) { ProcessStops().ReachStopPoint(exitStatus); }

void WaitBeforeClosing() {
    // A closing console ends the process anyway.
    if (StopRequested() == StopRequest::kTerminate || UnderWine()) return;
    DWORD processes[2];
    const DWORD attached = GetConsoleProcessList(processes, 2);
    if (!WaitsBeforeClosing(attached, IsTerminal(stdin))) return;
    WriteNativeText(stderr, InUserLanguage({"Press Enter to close this window.",
                                            "Enter キーを押すとこのウィンドウを閉じます。"},
                                           {}) +
                                "\n");
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
    }
}

bool IsTerminal(FILE* stream) { return ConsoleOf(stream) != nullptr; }

bool GuardStandardStreams() {
    // A missing handle needs no stand-in: nothing later can take it, and
    // writes to it fail harmlessly.
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) g_bOutputClosed = true;
    return true;
}

bool OutputWasClosed() { return g_bOutputClosed; }

std::string ToOutputEncoding(const std::string& cp932) { return Recode(cp932, 932); }

bool WriteText(FILE* stream, const std::string& cp932) { return WriteIn(stream, cp932, 932); }

std::string NativeFromCp932(const std::string& cp932) {
    const UINT codePage = SystemTextCodePage();
    return codePage == 932 ? cp932 : FromWide(ToWide(cp932, 932), codePage);
}

bool WriteNativeText(FILE* stream, const std::string& text) {
    return WriteIn(stream, text, SystemTextCodePage());
}
