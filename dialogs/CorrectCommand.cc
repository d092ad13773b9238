// The plug-in's menu command: Load puts it into the host's menu.
#include "plugin/ModuleState.h"
#include "plugin/PluginIf.h"

namespace {

constexpr unsigned kMenuNumber = 20720;
constexpr int kCommandChosen = 100;
constexpr const char* kMenuLabel = "数値地図(圧縮地図)の差し替え";

}  // namespace

extern "C" int __cdecl Load(void) {
    VXP_AddMenu(PluginIdentifier(), kMenuNumber, kMenuLabel, OnMenuCommand);
    return 1;
}

extern "C" long __cdecl OnMenuCommand(int code, unsigned, long) {
    if (code != kCommandChosen) return 0;
    return 0;
}
