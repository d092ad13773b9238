#include "plugin/ModuleState.h"

namespace {

unsigned g_uIdentifier = 0;

}  // namespace

unsigned PluginIdentifier() { return g_uIdentifier; }
void SetPluginIdentifier(unsigned identifier) { g_uIdentifier = identifier; }
