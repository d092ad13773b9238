#pragma once

// Stands in for the user at a modal dialog: on a thread of its own, waits
// for a window with the given caption (code page 932) to appear and acts on
// it, while the thread under test sits in the dialog's modal loop.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>

class DialogRobot {
  public:
    DialogRobot(std::string caption, std::function<void(HWND)> act);
    ~DialogRobot();

    // Waits for the robot; true when it found the window and acted.
    bool Finish();

  private:
    bool m_bFound = false;  // before m_thread, which may set it at once
    std::thread m_thread;
};

// The text of a dialog's control, read from another thread.
std::string DialogItemText(HWND dialog, int id);

// Waits up to ten seconds for a visible window owned by `owner` (a dialog
// it opened) and returns it, or null.
HWND WaitForOwnedWindow(HWND owner);

// Selects `folder` in the shell's folder browser `browser`, as a user who
// opens the tree down to it would; true once the tree shows it selected.
bool SelectInFolderBrowser(HWND browser, const std::string& folder);

// Waits up to ten seconds for control `id` of `dialog` to hold `text`.
bool WaitForItemText(HWND dialog, int id, const std::string& text);
