#pragma once

// The plug-in's state for the life of the process: the identifier the host
// gave Init, kept for Load.
unsigned PluginIdentifier();
void SetPluginIdentifier(unsigned identifier);
