#pragma once

// Replaces one import of a loaded module, as the test host stands in for
// the system under the plug-in.
#include <windows.h>

// Points module's import of dll!function at replacement; returns what it
// pointed at before, or null when the module does not import it.
void* PatchImport(HMODULE module, const char* dll, const char* function, void* replacement);
