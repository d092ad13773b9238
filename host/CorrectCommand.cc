// The plug-in's menu commands: Load puts them into the host's menu;
// OnMenuCommand runs the correction and OnUndoCommand takes one back.
#include <exception>
#include <functional>

#include "correction/Messages.h"
#include "dialogs/CorrectDlg.h"
#include "framework/MessageBox.h"
#include "host/RunCorrection.h"
#include "host/UndoCommand.h"
#include "plugin/ModuleState.h"
#include "plugin/PluginIf.h"

namespace {

constexpr unsigned kMenuNumber = 20720;
constexpr int kCommandChosen = 100;
constexpr unsigned kCompressedMapType = 10;
constexpr const char* kMenuLabel = "数値地図(圧縮地図)の差し替え";
constexpr const char* kUndoMenuLabel = "数値地図の訂正を元に戻す";

// Set while a command runs: the host's messages are pumped during the run,
// and the menu may be chosen again among them.
bool g_bRunning = false;

void RunCommand() {
    CCorrectDlg dialog;
    if (VXP_GetMapType(VXP_GetMap(VXP_GetActiveView())) == kCompressedMapType) {
        const char* file = VXP_GetMapFile(VXP_GetMap(VXP_GetActiveView()));
        dialog.m_strDcm = file != nullptr ? file : "";
    }
    if (dialog.DoModal() == kIdOk)
        RunCorrection(dialog.m_strDcm.c_str(), dialog.m_strFolder.c_str());
}

// Runs a command chosen from the menu, one at a time. Nothing may escape
// into the host: a failure no step handled (memory running out, say) ends
// the command with a message.
long RunChosen(int code, const std::function<void()>& command) {
    if (code != kCommandChosen) return 0;
    if (g_bRunning) {
        AfxMessageBox(kMsgAnotherRun, kMbOk | kMbIconExclamation);
        return 0;
    }
    struct Running {
        Running() { g_bRunning = true; }
        ~Running() { g_bRunning = false; }
    } running;
    try {
        command();
    } catch (const std::exception& error) {
        AfxMessageBox(FailureMessage(error), kMbOk | kMbIconExclamation);
    } catch (...) {
        AfxMessageBox(kMsgRunFailed, kMbOk | kMbIconExclamation);
    }
    return 0;
}

}  // namespace

extern "C" int __cdecl Load(void) {
    VXP_AddMenu(PluginIdentifier(), kMenuNumber, kMenuLabel, OnMenuCommand);
    VXP_AddMenu(PluginIdentifier(), kMenuNumber, kUndoMenuLabel, OnUndoCommand);
    return 1;
}

extern "C" long __cdecl OnMenuCommand(int code, unsigned, long) {
    return RunChosen(code, RunCommand);
}

extern "C" long __cdecl OnUndoCommand(int code, unsigned, long) {
    return RunChosen(code, RunUndoCommand);
}
