#pragma once

// The test host's own side of PluginIf.dll: what a test sets up and reads
// back. Views and maps live in memory; every VXP_ call is recorded as a line
// of text such as "VXP_CloseMap(2)".
#include <windows.h>

#include "plugin/PluginIf.h"

extern "C" {

// Forgets views, maps, menus and recorded calls; the version becomes 601.
void __cdecl TH_Reset(void);
void __cdecl TH_SetVersion(int version);

// Creates the host's main window (visible, top-level, without owner) on the
// calling thread; it makes the next view active on command 33033.
HWND __cdecl TH_CreateMainWindow(void);

// A map: its type (10 for a compressed map), its file, its cover and base
// maps (0 for none) and, for a base map, its map-group file.
unsigned __cdecl TH_AddMap(unsigned type, const char* file, unsigned cover, unsigned base,
                           const char* mapgroup);
// A view showing a map, centred at (x, y); the first view becomes active.
unsigned __cdecl TH_AddView(unsigned map, double x, double y);
void __cdecl TH_SetActiveView(unsigned view);
// Makes VXP_CloseMap remove the view, as a host whose views hold one map
// each might; the next view becomes active.
void __cdecl TH_SetCloseRemovesView(int removes);
// Makes VXP_CloseMap close the map in every view whose map shares a file with
// the given view's (as its own, cover or base map), as a host that holds each
// file once does; otherwise only the given view loses its map.
void __cdecl TH_SetCloseMapEverywhere(int everywhere);
// Has the user click the abort button of the progress dialog just before
// the host processes its messages for the pump-th time (counted from 1).
void __cdecl TH_AbortAtPump(int pump);
// Has the user choose the first menu command added (code 100) just before
// the host processes its messages for the pump-th time.
void __cdecl TH_ChooseCommandAtPump(int pump);
// What the host saw at its last pump while the progress dialog was shown:
// the dialog's window rectangle and whether the main window took input.
// Returns 0 when no pump saw the dialog.
int __cdecl TH_ProgressAtPump(RECT* rect, int* mainEnabled);

int __cdecl TH_CallCount(void);
const char* __cdecl TH_Call(int index);

// Menu commands added through VXP_AddMenu.
int __cdecl TH_MenuCount(void);
void __cdecl TH_Menu(int index, unsigned* identifier, unsigned* number, const char** label,
                     VXP_MENUPROC* callback);

}  // extern "C"

constexpr unsigned kNextViewCommand = 33033;
