#include "testhost/MessageBoxRecorder.h"

#include "testhost/ImportPatch.h"

namespace {

int g_answer = IDOK;

int WINAPI RecordingMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    MessageBoxRecorder::Boxes().push_back({owner, text ? text : "", caption ? caption : "", style});
    return g_answer;
}

}  // namespace

bool MessageBoxRecorder::Install(HMODULE module) {
    return PatchImport(module, "user32.dll", "MessageBoxA",
                       reinterpret_cast<void*>(&RecordingMessageBox)) != nullptr;
}

std::vector<RecordedMessageBox>& MessageBoxRecorder::Boxes() {
    static std::vector<RecordedMessageBox> boxes;
    return boxes;
}

void MessageBoxRecorder::SetAnswer(int answer) { g_answer = answer; }
