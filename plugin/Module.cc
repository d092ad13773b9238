// The module's attach and detach: it joins the framework's extension modules,
// so that lookups include it, and keeps its own instance handle.
#include <windows.h>

#include "framework/AppModule.h"
#include "plugin/ModuleState.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            if (!AfxInitExtensionModule(instance)) return FALSE;
            SetPluginInstance(instance);
            break;
        case DLL_PROCESS_DETACH:
            AfxTermExtensionModule(instance);
            break;
    }
    return TRUE;
}
