#pragma once

#include "framework/WindowTypes.h"

// The framework's module state: the current resource handle, where dialog
// templates are looked for first, and the extension modules searched after
// it. The resource handle starts as the host program's own module.

HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);

// The module this code is linked into, as it was told at its attach (the
// program's own until then): where a plug-in's dialogs find its resources.
HINSTANCE AfxGetInstanceHandle();
void AfxSetInstanceHandle(HINSTANCE module);

// Adds a module to the extension modules; false when it cannot be added.
bool AfxInitExtensionModule(HINSTANCE module);
void AfxTermExtensionModule(HINSTANCE module);

// The module that holds dialog template `id`: the current resource handle if
// it has it, otherwise the first extension module that has; null if none.
HINSTANCE AfxFindDialogResource(int id);

// The host application's main window: the visible top-level window without
// owner that the calling thread created and that no extension module made.
HWND AfxGetMainWnd();

// Sends a window the command `id` (WM_COMMAND with no control), as a menu
// choice would, and returns when it has been handled.
void AfxSendCommand(HWND window, unsigned id);
