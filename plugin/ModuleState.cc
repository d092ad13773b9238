#include "plugin/ModuleState.h"

namespace {

HINSTANCE g_hInstance = nullptr;
unsigned g_uIdentifier = 0;

}  // namespace

HINSTANCE PluginInstance() { return g_hInstance; }
void SetPluginInstance(HINSTANCE module) { g_hInstance = module; }

unsigned PluginIdentifier() { return g_uIdentifier; }
void SetPluginIdentifier(unsigned identifier) { g_uIdentifier = identifier; }
