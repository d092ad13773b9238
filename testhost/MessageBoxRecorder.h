#pragma once

// Stands in for the user at the plug-in's message boxes: replaces the
// plug-in module's import of MessageBoxA, records each call and answers it.
#include <windows.h>

#include <string>
#include <vector>

struct RecordedMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
    bool bProgressShown;  // the plug-in's progress dialog was on the screen
};

class MessageBoxRecorder {
  public:
    // Patches module's import; false when the module does not import it.
    static bool Install(HMODULE module);

    static std::vector<RecordedMessageBox>& Boxes();
    // The answer the next boxes get (IDOK unless set).
    static void SetAnswer(int answer);
    // The answers of the next boxes, one each in order; then SetAnswer's.
    static void SetAnswers(std::vector<int> answers);
};
