#pragma once

#include <cstdio>
#include <string>

#include "correction/CorrectionUi.h"

// The correction's surroundings on a terminal: the result goes to out, all
// else to err, in the terminal's encoding; progress is a redrawn bar on a
// terminal and one line per file otherwise, and Ctrl-C (or SIGTERM) stands
// for the abort button. In a dry run the run's result message, which says
// the map was corrected, is held back: the tool words its own.
class CConsoleUi final : public ICorrectionUi {
  public:
    explicit CConsoleUi(FILE* out = stdout, FILE* err = stderr, bool bDryRun = false);

    // Routes the first SIGINT or SIGTERM to AbortRequested; a second one
    // ends the process at once, as if none were caught.
    static void CatchInterrupts();
    // The signal that asked for the abort, or 0 while none came.
    static int InterruptSignal();
    // Makes output that cannot be written harmless: a closed pipe no longer
    // ends the process, and a closed standard descriptor is given /dev/null
    // so that no file opened later takes its number. False when /dev/null
    // cannot be opened for a closed one.
    static bool GuardStandardStreams();
    // True when standard output was closed before GuardStandardStreams gave
    // it /dev/null: what is written there is lost.
    static bool OutputWasClosed();

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
    // Prints the result line (code page 932) on the result stream, with a
    // note on the other when it cannot be written.
    void PrintResult(const std::string& text);
    // True once a result line was printed.
    bool ResultShown() const { return m_bResultShown; }

  private:
    void DrawBar();

    FILE* m_out;
    FILE* m_err;
    bool m_bTerminal;
    bool m_bDryRun;
    bool m_bResultShown = false;
    bool m_bProgress = false;
    std::string m_strFile;
    int m_nPercent = 0;
};

// Converts code page 932 text to the encoding of the current locale (UTF-8
// when the locale names none that can hold it).
std::string ToTerminalEncoding(const std::string& cp932);
