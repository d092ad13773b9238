#include "testhost/MessageBoxRecorder.h"

#include <deque>

#include "testhost/ImportPatch.h"

namespace {

int g_answer = IDOK;
std::deque<int> g_answers;

int WINAPI RecordingMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    const bool progress = FindWindowA(nullptr, "読み込み中...") != nullptr;
    MessageBoxRecorder::Boxes().push_back(
        {owner, text ? text : "", caption ? caption : "", style, progress});
    if (g_answers.empty()) return g_answer;
    const int answer = g_answers.front();
    g_answers.pop_front();
    return answer;
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

void MessageBoxRecorder::SetAnswer(int answer) {
    g_answer = answer;
    g_answers.clear();
}

void MessageBoxRecorder::SetAnswers(std::vector<int> answers) {
    g_answers.assign(answers.begin(), answers.end());
}
