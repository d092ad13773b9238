#pragma once

#include <string>

class CException;

enum class MessageKind {
    kFailure,  // exclamation icon, OK
    kResult,   // information icon, OK
};

// What a correction needs from its surroundings: message boxes, a progress
// dialog with an abort button, and a chance for the host to process its
// messages. The plug-in answers with real windows, the terminal tool with
// text and Ctrl-C.
class ICorrectionUi {
  public:
    virtual ~ICorrectionUi() = default;

    // A modal message; text is in code page 932.
    virtual void ShowMessage(const std::string& text, MessageKind kind) = 0;
    // A failure that ended the run early: the framework's exception.
    virtual void ShowError(const CException& error) = 0;

    // Shows the progress dialog with no file name and the bar at 0.
    virtual void OpenProgress() = 0;
    virtual void SetFileName(const std::string& name) = 0;
    virtual void SetPos(int percent) = 0;
    // Lets pending input (the abort button among it) be handled.
    virtual void Pump() = 0;
    // The same while a long read goes on, asked often: the UI pumps as often
    // as its input needs, and not at all where nothing waits on it.
    virtual void KeepResponsive() {}
    virtual bool AbortRequested() const = 0;
    // Removes the progress dialog; safe to call when none is shown.
    virtual void CloseProgress() = 0;
};
