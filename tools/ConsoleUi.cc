#include "tools/ConsoleUi.h"

#include <cerrno>
#include <cstring>

#include "correction/TileWriter.h"
#include "framework/Console.h"
#include "framework/ConsoleLines.h"
#include "framework/Exception.h"
#include "tools/ToolTexts.h"

namespace {

constexpr int kBarWidth = 30;

}  // namespace

CConsoleUi::CConsoleUi(FILE* out, FILE* err)
    : m_out(out), m_err(err), m_bTerminal(IsTerminal(err)) {}

void CConsoleUi::ShowMessage(const std::string&, MessageKind) {
    // The run's messages are the plug-in's, in its language: the tool words
    // its own from the run's result.
}

void CConsoleUi::PrintResult(const std::string& text) {
    if (!WriteLine(m_out, text)) Note(Say(ToolText::kResultNotWritten, {std::strerror(errno)}));
}

void CConsoleUi::ShowError(const CException& error) {
    if (const auto* journal = dynamic_cast<const CJournalException*>(&error)) {
        // The undo file failed, not the map: say so in the tool's words.
        Note(Say(ToolText::kCannotWriteUndo, {journal->Path(), journal->Reason()}));
        return;
    }
    const bool file = dynamic_cast<const CFileException*>(&error) != nullptr;
    Note(Say(file ? ToolText::kMapFileFailed : ToolText::kErrorStoppedRun, {error.what()}));
}

void CConsoleUi::Note(const std::string& text) { WriteLine(m_err, text); }

void CConsoleUi::OpenProgress() {
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
        WriteLine(m_err, number + m_strFile);
    }
}

bool CConsoleUi::AbortRequested() const { return StopRequested() != StopRequest::kNone; }

void CConsoleUi::CloseProgress() { EndOpenLine(); }

void CConsoleUi::DrawBar() {
    const int filled = m_nPercent * kBarWidth / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(kBarWidth, '.');
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%  ", m_nPercent);
    RedrawLine(m_err, "[" + bar + "] " + percent + m_strFile);
}
