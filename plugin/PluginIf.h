#pragma once

// The host's plug-in interface: the records it exchanges with the plug-in
// and the functions of PluginIf.dll, all with the C calling convention and
// undecorated C names. Records are laid out for the 32-bit interface.
#include <cstddef>
#include <cstdint>

#include "framework/WindowTypes.h"

extern "C" {

// A position in the host's views; the plug-in copies it unchanged.
struct tagGEOPOS {
    double dX;
    double dY;
};

// What VXP_OpenMap opens, and where.
struct tagOPENMAPINFO {
    int32_t nSize;                // 48
    const char* pszMapgroupFile;  // valid for the call only
    int32_t nOpenMode;
    uint8_t reserved12[4];
    tagGEOPOS geoCenter;
    int32_t nOption32;
    uint8_t reserved36[4];
    int32_t nOption40;
    uint8_t reserved44[4];
};

// The record Init fills to introduce the plug-in.
struct tagPLUGININFO {
    uint32_t dwSize;  // 280
    char szTitle[80];
    char szVersion[30];
    char szReserved[162];
    uint32_t dwFlags;
};

typedef long (*VXP_MENUPROC)(int code, unsigned second, long third);

int __cdecl VXP_GetVersion(void);
unsigned __cdecl VXP_AddMenu(unsigned identifier, unsigned number, const char* label,
                             VXP_MENUPROC callback);
unsigned __cdecl VXP_GetActiveView(void);
unsigned __cdecl VXP_GetMap(unsigned view);
unsigned __cdecl VXP_GetMapType(unsigned map);
const char* __cdecl VXP_GetMapFile(unsigned map);
unsigned __cdecl VXP_GetCoverMap(unsigned map);
unsigned __cdecl VXP_GetBaseMap(unsigned map);
const char* __cdecl VXP_GetMapgroupFile(unsigned baseMap);
void __cdecl VXP_GetViewCenter(unsigned view, tagGEOPOS* center);
void __cdecl VXP_CloseMap(unsigned view);
int __cdecl VXP_OpenMap(unsigned view, tagOPENMAPINFO* info);
int __cdecl VXP_Pump(void);
HWND __cdecl VXP_GetMainWnd(void);

// Exported by the plug-in.
int __cdecl Init(tagPLUGININFO* info, unsigned identifier);
int __cdecl Load(void);
int __cdecl Close(void);
void __cdecl Release(void);
int __cdecl About(void);
long __cdecl OnMenuCommand(int code, unsigned second, long third);
long __cdecl OnUndoCommand(int code, unsigned second, long third);

}  // extern "C"

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(tagGEOPOS) == 16, "tagGEOPOS is 16 bytes");
static_assert(sizeof(tagOPENMAPINFO) == 48, "tagOPENMAPINFO is 48 bytes");
static_assert(offsetof(tagOPENMAPINFO, pszMapgroupFile) == 4, "path at 4");
static_assert(offsetof(tagOPENMAPINFO, nOpenMode) == 8, "mode at 8");
static_assert(offsetof(tagOPENMAPINFO, geoCenter) == 16, "centre at 16");
static_assert(offsetof(tagOPENMAPINFO, nOption32) == 32, "option at 32");
static_assert(offsetof(tagOPENMAPINFO, nOption40) == 40, "option at 40");
static_assert(sizeof(tagPLUGININFO) == 280, "tagPLUGININFO is 280 bytes");
static_assert(offsetof(tagPLUGININFO, szTitle) == 4, "title at 4");
static_assert(offsetof(tagPLUGININFO, szVersion) == 84, "version at 84");
static_assert(offsetof(tagPLUGININFO, szReserved) == 114, "empty string at 114");
static_assert(offsetof(tagPLUGININFO, dwFlags) == 276, "flags at 276");
#endif
