#include "tools/ConsoleUi.h"

#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "correction/Messages.h"
#include "correction/TileWriter.h"
#include "framework/Exception.h"

namespace {

volatile std::sig_atomic_t g_signal = 0;
bool g_bOutputClosed = false;

void OnInterrupt(int signal) {
    g_signal = signal;
    // The next one takes the default way: the process ends at once.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

constexpr int kBarWidth = 30;

}  // namespace

std::string ToTerminalEncoding(const std::string& cp932) {
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

CConsoleUi::CConsoleUi(FILE* out, FILE* err, bool bDryRun)
    : m_out(out), m_err(err), m_bTerminal(isatty(fileno(err)) != 0), m_bDryRun(bDryRun) {}

void CConsoleUi::CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // The other signal waits while the handler runs, then finds the default.
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int CConsoleUi::InterruptSignal() { return g_signal; }

bool CConsoleUi::OutputWasClosed() { return g_bOutputClosed; }

bool CConsoleUi::GuardStandardStreams() {
    std::signal(SIGPIPE, SIG_IGN);
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) continue;
        if (fd == 1) g_bOutputClosed = true;
        // open gives the lowest free number: this one.
        if (open("/dev/null", O_RDWR) != fd) return false;
    }
    return true;
}

void CConsoleUi::ShowMessage(const std::string& text, MessageKind kind) {
    if (kind == MessageKind::kResult) {
        if (!m_bDryRun) PrintResult(text);
        return;
    }
    std::fprintf(m_err, "%s\n", ToTerminalEncoding(text).c_str());
    std::fflush(m_err);
}

void CConsoleUi::PrintResult(const std::string& text) {
    m_bResultShown = true;
    std::fprintf(m_out, "%s\n", ToTerminalEncoding(text).c_str());
    if (std::fflush(m_out) != 0)
        Note(std::string("zelvorin-correct: the result could not be written: ") +
             std::strerror(errno));
}

void CConsoleUi::ShowError(const CException& error) {
    if (const auto* journal = dynamic_cast<const CJournalException*>(&error)) {
        // The undo file failed, not the map: say so in the tool's words.
        std::fprintf(m_err, "zelvorin-correct: cannot write the undo file %s: %s\n",
                     journal->Path().c_str(), journal->Reason().c_str());
        std::fflush(m_err);
        return;
    }
    const bool file = dynamic_cast<const CFileException*>(&error) != nullptr;
    std::fprintf(m_err, "%s\n%s\n",
                 ToTerminalEncoding(file ? kMsgFileError : kMsgRunFailed).c_str(), error.what());
    std::fflush(m_err);
}

void CConsoleUi::Note(const std::string& text) {
    std::fprintf(m_err, "%s\n", text.c_str());
    std::fflush(m_err);
}

void CConsoleUi::OpenProgress() {
    m_bProgress = true;
    m_strFile.clear();
    m_nPercent = 0;
    if (m_bTerminal) DrawBar();
}

void CConsoleUi::SetFileName(const std::string& name) {
    m_strFile = name;
    if (m_bTerminal) DrawBar();
}

void CConsoleUi::SetPos(int percent) {
    m_nPercent = percent;
    if (m_bTerminal) {
        DrawBar();
    } else {
        std::fprintf(m_err, "%3d%%  %s\n", percent, m_strFile.c_str());
        std::fflush(m_err);
    }
}

bool CConsoleUi::AbortRequested() const { return g_signal != 0; }

void CConsoleUi::CloseProgress() {
    if (m_bProgress && m_bTerminal) std::fputs("\n", m_err);
    m_bProgress = false;
}

void CConsoleUi::DrawBar() {
    const int filled = m_nPercent * kBarWidth / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(kBarWidth, '.');
    std::fprintf(m_err, "\r[%s] %3d%%  %s\x1b[K", bar.c_str(), m_nPercent, m_strFile.c_str());
    std::fflush(m_err);
}
