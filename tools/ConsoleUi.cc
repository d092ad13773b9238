#include "tools/ConsoleUi.h"

#include <cerrno>
#include <cstring>

#include "correction/Messages.h"
#include "correction/TileWriter.h"
#include "framework/Console.h"
#include "framework/Exception.h"
#include "tools/ToolTexts.h"

namespace {

constexpr int kBarWidth = 30;

}  // namespace

CConsoleUi::CConsoleUi(FILE* out, FILE* err, bool bDryRun)
    : m_out(out), m_err(err), m_bTerminal(IsTerminal(err)), m_bDryRun(bDryRun) {}

void CConsoleUi::ShowMessage(const std::string& text, MessageKind kind) {
    if (kind == MessageKind::kResult) {
        if (!m_bDryRun) PrintResult(NativeFromCp932(text));
        return;
    }
    WriteText(m_err, text + "\n");
}

void CConsoleUi::PrintResult(const std::string& text) {
    m_bResultShown = true;
    if (!WriteNativeText(m_out, text + "\n"))
        Note(Say(ToolText::kResultNotWritten, {std::strerror(errno)}));
}

void CConsoleUi::ShowError(const CException& error) {
    if (const auto* journal = dynamic_cast<const CJournalException*>(&error)) {
        // The undo file failed, not the map: say so in the tool's words.
        Note(Say(ToolText::kCannotWriteUndo, {journal->Path(), journal->Reason()}));
        return;
    }
    const bool file = dynamic_cast<const CFileException*>(&error) != nullptr;
    WriteText(m_err, std::string(file ? kMsgFileError : kMsgRunFailed) + "\n");
    Note(error.what());
}

void CConsoleUi::Note(const std::string& text) { WriteNativeText(m_err, text + "\n"); }

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
        char number[8];
        std::snprintf(number, sizeof number, "%3d%%  ", percent);
        WriteNativeText(m_err, number + m_strFile + "\n");
    }
}

bool CConsoleUi::AbortRequested() const { return StopRequested() != StopRequest::kNone; }

void CConsoleUi::CloseProgress() {
    if (m_bProgress && m_bTerminal) WriteNativeText(m_err, "\n");
    m_bProgress = false;
}

void CConsoleUi::DrawBar() {
    const int filled = m_nPercent * kBarWidth / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(kBarWidth, '.');
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%  ", m_nPercent);
    WriteNativeText(m_err, "\r[" + bar + "] " + percent + m_strFile + "\x1b[K");
}
