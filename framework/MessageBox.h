#pragma once

#include <string>

// Message box styles and answers, with the platform's values.
enum : unsigned {
    kMbOk = 0x00,
    kMbOkCancel = 0x01,
    kMbYesNoCancel = 0x03,
    kMbYesNo = 0x04,
    kMbIconQuestion = 0x20,
    kMbIconExclamation = 0x30,
    kMbIconInformation = 0x40,
    kMbDefButton2 = 0x100,
    kMbDefButton3 = 0x200,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// Shows a modal message box owned by the application's main window, with the
// host application's title as caption: the host program's string 57344 if it
// has one, otherwise its file name without extension. Returns the answer.
int AfxMessageBox(const std::string& text, unsigned style);

// The caption AfxMessageBox uses.
std::string AfxGetAppTitle();
