#include "testhost/MessageBoxRecorder.h"

#include <cstring>

namespace {

int g_answer = IDOK;

int WINAPI RecordingMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    MessageBoxRecorder::Boxes().push_back({owner, text ? text : "", caption ? caption : "", style});
    return g_answer;
}

// The import address table slot of dll!function in module, or null.
void** FindImportSlot(HMODULE module, const char* dll, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return nullptr;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name != 0; ++imp) {
        if (_stricmp(reinterpret_cast<char*>(base + imp->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

}  // namespace

bool MessageBoxRecorder::Install(HMODULE module) {
    void** slot = FindImportSlot(module, "user32.dll", "MessageBoxA");
    if (slot == nullptr) return false;
    DWORD old;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    *slot = reinterpret_cast<void*>(&RecordingMessageBox);
    VirtualProtect(slot, sizeof *slot, old, &old);
    return true;
}

std::vector<RecordedMessageBox>& MessageBoxRecorder::Boxes() {
    static std::vector<RecordedMessageBox> boxes;
    return boxes;
}

void MessageBoxRecorder::SetAnswer(int answer) { g_answer = answer; }
