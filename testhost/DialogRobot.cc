#include "testhost/DialogRobot.h"

DialogRobot::DialogRobot(std::string caption, std::function<void(HWND)> act)
    : m_bFound(false),
      m_thread([this, caption, act] {
          for (int i = 0; i < 400; ++i) {
              HWND window = FindWindowA(nullptr, caption.c_str());
              if (window != nullptr && IsWindowVisible(window)) {
                  Sleep(100);  // let the dialog finish its initialisation
                  act(window);
                  m_bFound = true;
                  return;
              }
              Sleep(25);
          }
      }) {}

DialogRobot::~DialogRobot() {
    if (m_thread.joinable()) m_thread.join();
}

bool DialogRobot::Finish() {
    if (m_thread.joinable()) m_thread.join();
    return m_bFound;
}

std::string DialogItemText(HWND dialog, int id) {
    char text[1024] = {};
    SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}
