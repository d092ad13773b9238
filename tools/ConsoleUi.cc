#include "tools/ConsoleUi.h"

#include <cerrno>
#include <cstring>

#include "correction/Messages.h"
#include "correction/TileWriter.h"
#include "framework/Console.h"
#include "framework/Exception.h"

namespace {

constexpr int kBarWidth = 30;

}  // namespace

CConsoleUi::CConsoleUi(FILE* out, FILE* err, bool bDryRun)
    : m_out(out), m_err(err), m_bTerminal(IsTerminal(err)), m_bDryRun(bDryRun) {}

void CConsoleUi::ShowMessage(const std::string& text, MessageKind kind) {
    if (kind == MessageKind::kResult) {
        if (!m_bDryRun) PrintResult(text);
        return;
    }
    WriteText(m_err, text + "\n");
}

void CConsoleUi::PrintResult(const std::string& text) {
    m_bResultShown = true;
    if (!WriteText(m_out, text + "\n"))
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
    WriteText(m_err, std::string(file ? kMsgFileError : kMsgRunFailed) + "\n");
    Note(error.what());
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

bool CConsoleUi::AbortRequested() const { return StopRequested() != StopRequest::kNone; }

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
