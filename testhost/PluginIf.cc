// The test host's PluginIf.dll: the host interface over views and maps held
// in memory, recording every call.
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "testhost/HostControl.h"

namespace {

struct Map {
    unsigned type;
    std::string file;
    unsigned cover;
    unsigned base;
    std::string mapgroup;
};

struct View {
    unsigned map;
    tagGEOPOS center;
    bool removed;
};

struct Menu {
    unsigned identifier;
    unsigned number;
    std::string label;
    VXP_MENUPROC callback;
};

struct Host {
    int version = 601;
    std::vector<Map> maps;    // handle = index + 1
    std::vector<View> views;  // handle = index + 1
    unsigned active = 0;
    std::vector<Menu> menus;
    std::vector<std::string> calls;
    HWND mainWnd = nullptr;
    bool closeRemovesView = false;
    bool closeMapEverywhere = false;
    int pumps = 0;
    int abortAtPump = 0;
    int chooseAtPump = 0;
    bool progressSeen = false;
    RECT progressRect = {0, 0, 0, 0};
    bool mainEnabledWithProgress = false;
};

Host g_host;
const char kEmpty[] = "";

void Record(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Record(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    g_host.calls.emplace_back(line);
}

Map* FindMap(unsigned map) {
    return map >= 1 && map <= g_host.maps.size() ? &g_host.maps[map - 1] : nullptr;
}
View* FindView(unsigned view) {
    return view >= 1 && view <= g_host.views.size() ? &g_host.views[view - 1] : nullptr;
}

// The files a view's map brings: its own, its cover map's and its base map's.
std::vector<std::string> FilesOfView(unsigned view) {
    std::vector<std::string> files;
    const View* v = FindView(view);
    const Map* map = v ? FindMap(v->map) : nullptr;
    if (map == nullptr) return files;
    const Map* const parts[] = {map, FindMap(map->cover), FindMap(map->base)};
    for (const Map* m : parts)
        if (m != nullptr && !m->file.empty()) files.push_back(m->file);
    return files;
}

// True when the two views' maps share a file (paths compared as Windows
// compares them, without regard to case).
bool ShareAFile(unsigned a, unsigned b) {
    for (const std::string& x : FilesOfView(a))
        for (const std::string& y : FilesOfView(b))
            if (lstrcmpiA(x.c_str(), y.c_str()) == 0) return true;
    return false;
}

// The view after `view` in the cycle that skips removed views; 0 when none is left.
unsigned NextView(unsigned view) {
    const size_t n = g_host.views.size();
    for (size_t step = 1; step <= n; ++step) {
        const unsigned candidate = static_cast<unsigned>((view + step - 1) % n + 1);
        if (!g_host.views[candidate - 1].removed) return candidate;
    }
    return 0;
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == kNextViewCommand && lParam == 0) {
        g_host.active = NextView(g_host.active);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

extern "C" {

int __cdecl VXP_GetVersion(void) {
    Record("VXP_GetVersion()");
    return g_host.version;
}

unsigned __cdecl VXP_AddMenu(unsigned identifier, unsigned number, const char* label,
                             VXP_MENUPROC callback) {
    Record("VXP_AddMenu(%u,%u,%s)", identifier, number, label);
    g_host.menus.push_back({identifier, number, label, callback});
    return static_cast<unsigned>(g_host.menus.size());
}

unsigned __cdecl VXP_GetActiveView(void) {
    Record("VXP_GetActiveView()=%u", g_host.active);
    return g_host.active;
}

unsigned __cdecl VXP_GetMap(unsigned view) {
    const View* v = FindView(view);
    Record("VXP_GetMap(%u)", view);
    return v ? v->map : 0;
}

unsigned __cdecl VXP_GetMapType(unsigned map) {
    Record("VXP_GetMapType(%u)", map);
    const Map* m = FindMap(map);
    return m ? m->type : 0;
}

const char* __cdecl VXP_GetMapFile(unsigned map) {
    Record("VXP_GetMapFile(%u)", map);
    const Map* m = FindMap(map);
    return m ? m->file.c_str() : kEmpty;
}

unsigned __cdecl VXP_GetCoverMap(unsigned map) {
    Record("VXP_GetCoverMap(%u)", map);
    const Map* m = FindMap(map);
    return m ? m->cover : 0;
}

unsigned __cdecl VXP_GetBaseMap(unsigned map) {
    Record("VXP_GetBaseMap(%u)", map);
    const Map* m = FindMap(map);
    return m ? m->base : 0;
}

const char* __cdecl VXP_GetMapgroupFile(unsigned baseMap) {
    Record("VXP_GetMapgroupFile(%u)", baseMap);
    const Map* m = FindMap(baseMap);
    return m ? m->mapgroup.c_str() : kEmpty;
}

void __cdecl VXP_GetViewCenter(unsigned view, tagGEOPOS* center) {
    Record("VXP_GetViewCenter(%u)", view);
    const View* v = FindView(view);
    if (center != nullptr) *center = v ? v->center : tagGEOPOS{0, 0};
}

void __cdecl VXP_CloseMap(unsigned view) {
    Record("VXP_CloseMap(%u)", view);
    if (FindView(view) == nullptr) return;
    std::vector<unsigned> closing = {view};
    if (g_host.closeMapEverywhere) {
        for (unsigned other = 1; other <= g_host.views.size(); ++other)
            if (other != view && ShareAFile(view, other)) closing.push_back(other);
    }
    for (unsigned closed : closing) {
        View& v = g_host.views[closed - 1];
        v.map = 0;
        if (g_host.closeRemovesView) {
            v.removed = true;
            if (g_host.active == closed) g_host.active = NextView(closed);
        }
    }
}

int __cdecl VXP_OpenMap(unsigned view, tagOPENMAPINFO* info) {
    if (info == nullptr) {
        Record("VXP_OpenMap(%u,null)", view);
        return 0;
    }
    Record("VXP_OpenMap(%u,%d,%s,%d,%.6f,%.6f,%d,%d)", view, info->nSize, info->pszMapgroupFile,
           info->nOpenMode, info->geoCenter.dX, info->geoCenter.dY, info->nOption32,
           info->nOption40);
    return 1;
}

int __cdecl VXP_Pump(void) {
    Record("VXP_Pump()");
    HWND progress = FindWindowA(nullptr, "読み込み中...");
    if (progress != nullptr) {
        g_host.progressSeen = true;
        GetWindowRect(progress, &g_host.progressRect);
        g_host.mainEnabledWithProgress = IsWindowEnabled(g_host.mainWnd) != FALSE;
    }
    // The user clicks the progress dialog's abort button just now.
    if (++g_host.pumps == g_host.abortAtPump && progress != nullptr)
        PostMessageA(GetDlgItem(progress, 2001), BM_CLICK, 0, 0);
    // The user chooses the first menu command again just now.
    if (g_host.pumps == g_host.chooseAtPump && !g_host.menus.empty())
        g_host.menus.front().callback(100, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 1;
}

HWND __cdecl VXP_GetMainWnd(void) {
    Record("VXP_GetMainWnd()");
    return g_host.mainWnd;
}

void __cdecl TH_Reset(void) {
    HWND mainWnd = g_host.mainWnd;
    g_host = Host();
    g_host.mainWnd = mainWnd;
}

void __cdecl TH_SetVersion(int version) { g_host.version = version; }

HWND __cdecl TH_CreateMainWindow(void) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = GetModuleHandleA("PluginIf.dll");
    wc.lpszClassName = "ZelvorinTestHostMain";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    RegisterClassA(&wc);
    g_host.mainWnd = CreateWindowA(wc.lpszClassName, "Test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                   0, 0, 800, 600, nullptr, nullptr, wc.hInstance, nullptr);
    return g_host.mainWnd;
}

unsigned __cdecl TH_AddMap(unsigned type, const char* file, unsigned cover, unsigned base,
                           const char* mapgroup) {
    g_host.maps.push_back({type, file ? file : "", cover, base, mapgroup ? mapgroup : ""});
    return static_cast<unsigned>(g_host.maps.size());
}

unsigned __cdecl TH_AddView(unsigned map, double x, double y) {
    g_host.views.push_back({map, {x, y}, false});
    if (g_host.active == 0) g_host.active = 1;
    return static_cast<unsigned>(g_host.views.size());
}

void __cdecl TH_SetActiveView(unsigned view) { g_host.active = view; }

void __cdecl TH_SetCloseRemovesView(int removes) { g_host.closeRemovesView = removes != 0; }

void __cdecl TH_SetCloseMapEverywhere(int everywhere) {
    g_host.closeMapEverywhere = everywhere != 0;
}

void __cdecl TH_AbortAtPump(int pump) { g_host.abortAtPump = pump; }

void __cdecl TH_ChooseCommandAtPump(int pump) { g_host.chooseAtPump = pump; }

int __cdecl TH_ProgressAtPump(RECT* rect, int* mainEnabled) {
    *rect = g_host.progressRect;
    *mainEnabled = g_host.mainEnabledWithProgress ? 1 : 0;
    return g_host.progressSeen ? 1 : 0;
}

int __cdecl TH_CallCount(void) { return static_cast<int>(g_host.calls.size()); }

const char* __cdecl TH_Call(int index) {
    return index >= 0 && index < TH_CallCount() ? g_host.calls[static_cast<size_t>(index)].c_str()
                                                : kEmpty;
}

int __cdecl TH_MenuCount(void) { return static_cast<int>(g_host.menus.size()); }

void __cdecl TH_Menu(int index, unsigned* identifier, unsigned* number, const char** label,
                     VXP_MENUPROC* callback) {
    const Menu& m = g_host.menus.at(static_cast<size_t>(index));
    *identifier = m.identifier;
    *number = m.number;
    *label = m.label.c_str();
    *callback = m.callback;
}

}  // extern "C"
