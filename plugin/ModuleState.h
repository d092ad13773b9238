#pragma once

#include "framework/WindowTypes.h"

// The plug-in's state for the life of the process: its own module, kept at
// attach, and the identifier the host gave Init, kept for Load.
HINSTANCE PluginInstance();
void SetPluginInstance(HINSTANCE module);

unsigned PluginIdentifier();
void SetPluginIdentifier(unsigned identifier);
