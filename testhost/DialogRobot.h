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
