// The plug-in's menu command: Load puts it into the host's menu, and
// OnMenuCommand runs it.
#include <exception>

#include "correction/Messages.h"
#include "dialogs/CorrectDlg.h"
#include "framework/MessageBox.h"
#include "host/RunCorrection.h"
#include "plugin/ModuleState.h"
#include "plugin/PluginIf.h"

namespace {

constexpr unsigned kMenuNumber = 20720;
constexpr int kCommandChosen = 100;
constexpr unsigned kCompressedMapType = 10;
constexpr const char* kMenuLabel = "数値地図(圧縮地図)の差し替え";

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

}  // namespace

extern "C" int __cdecl Load(void) {
    VXP_AddMenu(PluginIdentifier(), kMenuNumber, kMenuLabel, OnMenuCommand);
    return 1;
}

extern "C" long __cdecl OnMenuCommand(int code, unsigned, long) {
    if (code != kCommandChosen) return 0;
    if (g_bRunning) {
        AfxMessageBox(kMsgAnotherRun, kMbOk | kMbIconExclamation);
        return 0;
    }
    g_bRunning = true;
    // Nothing may escape into the host: a failure no step handled (memory
    // running out, say) ends the command with a message.
    try {
        RunCommand();
    } catch (const std::exception& error) {
        AfxMessageBox(FailureMessage(error), kMbOk | kMbIconExclamation);
    }
    g_bRunning = false;
    return 0;
}
