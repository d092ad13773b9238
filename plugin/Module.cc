// The module's attach and detach: it joins the framework's extension modules,
// so that lookups include it, and tells the framework its instance handle.
#include <windows.h>

#include "framework/AppModule.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            if (!AfxInitExtensionModule(instance)) return FALSE;
            AfxSetInstanceHandle(instance);
            break;
        case DLL_PROCESS_DETACH:
            AfxTermExtensionModule(instance);
            break;
    }
    return TRUE;
}
