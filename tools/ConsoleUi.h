#pragma once

#include <cstdio>
#include <string>

#include "correction/CorrectionUi.h"

// The correction's surroundings on a terminal: messages are printed in the
// terminal's encoding, progress is a redrawn bar on a terminal and one line
// per file otherwise, and Ctrl-C (or SIGTERM) stands for the abort button.
class CConsoleUi final : public ICorrectionUi {
  public:
    explicit CConsoleUi(FILE* out = stdout, FILE* err = stderr);

    // Routes SIGINT and SIGTERM to AbortRequested for the process's life.
    static void CatchInterrupts();

    void ShowMessage(const std::string& text, MessageKind kind) override;
    void ShowError(const CException& error) override;
    void OpenProgress() override;
    void SetFileName(const std::string& name) override;
    void SetPos(int percent) override;
    void Pump() override {}
    bool AbortRequested() const override;
    void CloseProgress() override;

    // Prints a line of the tool's own, already in the terminal's encoding.
    void Note(const std::string& text);

  private:
    void DrawBar();

    FILE* m_out;
    FILE* m_err;
    bool m_bTerminal;
    bool m_bProgress = false;
    std::string m_strFile;
    int m_nPercent = 0;
};

// Converts code page 932 text to the encoding of the current locale (UTF-8
// when the locale names none that can hold it).
std::string ToTerminalEncoding(const std::string& cp932);
