// The console on POSIX: SIGINT and SIGTERM, descriptors, iconv to the
// locale's codeset.
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "framework/Console.h"

namespace {

volatile std::sig_atomic_t g_signal = 0;
bool g_bOutputClosed = false;

void OnStopSignal(int signal) {
    g_signal = signal;
    // The next one takes the default way: the process ends at once.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

}  // namespace

void CatchStopRequests() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // The other signal waits while the handler runs, then finds the default.
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

StopRequest StopRequested() {
    switch (g_signal) {
        case 0:
            return StopRequest::kNone;
        case SIGTERM:
            return StopRequest::kTerminate;
        default:
            return StopRequest::kInterrupt;
    }
}

void ReachStopPoint(int) {}

void WaitBeforeClosing() {}

bool IsTerminal(FILE* stream) { return isatty(fileno(stream)) != 0; }

bool GuardStandardStreams() {
    std::signal(SIGPIPE, SIG_IGN);
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) continue;
        if (fd == 1) g_bOutputClosed = true;
        // open gives the lowest free number: this one.
        if (open("/dev/null", O_RDWR) != fd) return false;
    }
    return true;
}

bool OutputWasClosed() { return g_bOutputClosed; }

std::string ToOutputEncoding(const std::string& cp932) {
    const char* codeset = nl_langinfo(CODESET);
    if (std::strcmp(codeset, "ANSI_X3.4-1968") == 0 || std::strcmp(codeset, "ASCII") == 0)
        codeset = "UTF-8";
    iconv_t cd = iconv_open(codeset, "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return cp932;
    std::string out(cp932.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(cp932.data());
    size_t inLeft = cp932.size();
    char* outp = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0 && iconv(cd, &in, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1)) {
        if (errno != EILSEQ && errno != EINVAL) break;
        // A byte that is not code page 932: show it as '?' and go on.
        ++in;
        --inLeft;
        if (outLeft > 0) {
            *outp++ = '?';
            --outLeft;
        }
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

bool WriteText(FILE* stream, const std::string& cp932) {
    std::fputs(ToOutputEncoding(cp932).c_str(), stream);
    return std::fflush(stream) == 0;
}

std::string NativeFromCp932(const std::string& cp932) { return ToOutputEncoding(cp932); }

bool WriteNativeText(FILE* stream, const std::string& text) {
    std::fputs(text.c_str(), stream);
    return std::fflush(stream) == 0;
}
