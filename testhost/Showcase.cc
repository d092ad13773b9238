// Shows the progress dialog ("showcase progress"), the correction dialog
// ("showcase correct") or the plug-in's About box ("showcase about") and
// waits, so that a screenshot can show how they look.
#include <windows.h>

#include <cstring>

#include "dialogs/CorrectDlg.h"
#include "dialogs/ProgressDlg.h"
#include "framework/AppModule.h"
#include "testhost/HostControl.h"

int main(int argc, char** argv) {
    TH_CreateMainWindow();
    if (argc > 1 && std::strcmp(argv[1], "about") == 0) {
        HMODULE plugin = LoadLibraryA("Zelvorin.vxl");
        auto about = reinterpret_cast<int(__cdecl*)()>(
            reinterpret_cast<void*>(GetProcAddress(plugin, "About")));
        return about ? about() : 1;
    }
    AfxSetInstanceHandle(GetModuleHandleA(nullptr));
    if (argc > 1 && std::strcmp(argv[1], "correct") == 0) {
        CCorrectDlg dialog;
        dialog.m_strDcm = "C:\\MAPS\\AREA.DCM";
        return dialog.DoModal();
    }
    CProgressDlg progress;
    progress.Create(102, VXP_GetMainWnd());
    progress.SetFileName("533945.mem");
    progress.SetPos(40);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
