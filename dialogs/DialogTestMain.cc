// The dialog tests stand where the plug-in would: this program's module
// holds the templates and plays the plug-in's module, and a window of its
// own plays the host's main window.
#include <windows.h>
#include <gtest/gtest.h>

#include "framework/AppModule.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    AfxSetInstanceHandle(GetModuleHandleA(nullptr));
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "DialogTestHost";
    RegisterClassA(&wc);
    CreateWindowA(wc.lpszClassName, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480,
                  nullptr, nullptr, wc.hInstance, nullptr);
    return RUN_ALL_TESTS();
}
