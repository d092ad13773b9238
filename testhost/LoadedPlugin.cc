#include "testhost/LoadedPlugin.h"

#include "testhost/MessageBoxRecorder.h"

namespace {

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

const LoadedPlugin& Plugin() {
    static const LoadedPlugin plugin = [] {
        LoadedPlugin p;
        p.module = LoadLibraryA("Zelvorin.vxl");
        if (p.module == nullptr) return p;
        MessageBoxRecorder::Install(p.module);
        p.init = Export<LoadedPlugin::InitFn>(p.module, "Init");
        p.load = Export<LoadedPlugin::IntFn>(p.module, "Load");
        p.close = Export<LoadedPlugin::IntFn>(p.module, "Close");
        p.release = Export<LoadedPlugin::VoidFn>(p.module, "Release");
        p.about = Export<LoadedPlugin::IntFn>(p.module, "About");
        return p;
    }();
    return plugin;
}

std::vector<std::string> HostCalls() {
    std::vector<std::string> calls;
    for (int i = 0; i < TH_CallCount(); ++i) calls.push_back(TH_Call(i));
    return calls;
}

VXP_MENUPROC InitAndLoad(unsigned identifier) {
    tagPLUGININFO info = {};
    TH_SetVersion(601);
    if (Plugin().init(&info, identifier) != 1 || Plugin().load() != 1 || TH_MenuCount() < 1)
        return nullptr;
    unsigned id = 0, number = 0;
    const char* label = nullptr;
    VXP_MENUPROC callback = nullptr;
    TH_Menu(0, &id, &number, &label, &callback);
    return callback;
}

VXP_MENUPROC UndoCommand() {
    if (TH_MenuCount() < 2) return nullptr;
    unsigned id = 0, number = 0;
    const char* label = nullptr;
    VXP_MENUPROC callback = nullptr;
    TH_Menu(1, &id, &number, &label, &callback);
    return callback;
}
