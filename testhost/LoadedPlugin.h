#pragma once

// Zelvorin.vxl as the host holds it: loaded once for the test program, its
// message boxes answered by MessageBoxRecorder, its exports at hand.
#include <windows.h>

#include <string>
#include <vector>

#include "testhost/HostControl.h"

struct LoadedPlugin {
    using InitFn = int(__cdecl*)(tagPLUGININFO*, unsigned);
    using IntFn = int(__cdecl*)();
    using VoidFn = void(__cdecl*)();

    HMODULE module = nullptr;
    InitFn init = nullptr;
    IntFn load = nullptr;
    IntFn close = nullptr;
    VoidFn release = nullptr;
    IntFn about = nullptr;
};

// The plug-in, loaded on first use; module is null if it did not load.
const LoadedPlugin& Plugin();

// The calls PluginIf.dll recorded since the last TH_Reset.
std::vector<std::string> HostCalls();

// Inits and loads the plug-in on a host of version 601, and returns the
// correction command's callback.
VXP_MENUPROC InitAndLoad(unsigned identifier);
// The undo command's callback, once the plug-in is loaded.
VXP_MENUPROC UndoCommand();
