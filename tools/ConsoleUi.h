#pragma once

#include <cstdio>
#include <string>

#include "correction/CorrectionUi.h"

// The correction's surroundings on a terminal: the result goes to out, all
// else to err, in the terminal's encoding; progress is a redrawn bar on a
// terminal and one line per file otherwise, and a stop request (Ctrl-C,
// SIGTERM, the console closing; see framework/Console.h) stands for the
// abort button. The run's own messages, the plug-in's, are not shown: the
// tool words its own from the run's result.
class CConsoleUi final : public ICorrectionUi {
  public:
    explicit CConsoleUi(FILE* out = stdout, FILE* err = stderr);

    void ShowMessage(const std::string& text, MessageKind kind) override;
    void ShowError(const CException& error) override;
    void OpenProgress() override;
    void SetFileName(const std::string& name) override;
    void SetPos(int percent) override;
    void Pump() override {}
    bool AbortRequested() const override;
    void CloseProgress() override;

    // Prints a line of the tool's own, in system text (framework/PathSyntax.h).
    void Note(const std::string& text);
    // Prints the result line (system text) on the result stream, with a
    // note on the other when it cannot be written.
    void PrintResult(const std::string& text);

  private:
    void DrawBar();

    FILE* m_out;
    FILE* m_err;
    bool m_bTerminal;
    std::string m_strFile;
    int m_nPercent = 0;
};
