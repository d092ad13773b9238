#pragma once

// A correction UI for tests that shows nothing and, when asked to, presses
// the abort button once the run has pumped its messages a number of times
// (once for each square it placed).
#include <string>

#include "correction/CorrectionUi.h"

class CQuietUi final : public ICorrectionUi {
  public:
    void ShowMessage(const std::string&, MessageKind) override {}
    void ShowError(const CException&) override {}
    void OpenProgress() override {}
    void SetFileName(const std::string&) override {}
    void SetPos(int) override {}
    void Pump() override { ++m_nPumps; }
    bool AbortRequested() const override { return m_nAbortAfter >= 0 && m_nPumps >= m_nAbortAfter; }
    void CloseProgress() override {}

    int m_nAbortAfter = -1;  // pumps before the abort button is pressed; -1: never
    int m_nPumps = 0;
};
