// The entry points the host calls besides Load: Init, Close, Release, About.
#include <cstring>

#include "framework/MessageBox.h"
#include "plugin/ModuleState.h"
#include "plugin/PluginIf.h"
#include "plugin/PluginTexts.h"

namespace {

// Copies a string with its terminating NUL and nothing more: the rest of the
// host's field stays as the host gave it.
void CopyWithNul(char* field, const char* text) { std::memcpy(field, text, std::strlen(text) + 1); }

}  // namespace

extern "C" int __cdecl Init(tagPLUGININFO* info, unsigned identifier) {
    SetPluginIdentifier(identifier);
    if (VXP_GetVersion() < kFirstSupportedHostVersion) {
        AfxMessageBox(kMsgHostTooOld, kMbOk | kMbIconInformation);
        return 0;
    }
    if (info == nullptr) return 0;
    info->dwSize = sizeof(tagPLUGININFO);
    CopyWithNul(info->szTitle, kPluginTitle);
    CopyWithNul(info->szVersion, kPluginVersion);
    info->szReserved[0] = '\0';
    info->dwFlags = 1;
    return 1;
}

extern "C" int __cdecl Close(void) { return 1; }

extern "C" void __cdecl Release(void) {}

extern "C" int __cdecl About(void) { return AfxMessageBox(kAboutText, kMbOk | kMbIconInformation); }
