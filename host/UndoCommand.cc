#include "host/UndoCommand.h"

#include <cstdio>
#include <ctime>
#include <exception>
#include <string>

#include "framework/FileDialogs.h"
#include "framework/FileSystem.h"
#include "framework/MessageBox.h"
#include "host/HostMessages.h"
#include "host/HostText.h"
#include "host/MapViews.h"
#include "host/PluginUi.h"
#include "host/RunCorrection.h"
#include "plugin/PluginIf.h"
#include "undo/UndoFile.h"
#include "undo/UndoRoom.h"

namespace {

constexpr unsigned kCompressedMapType = 10;

// The folder of the active view's map, where it is a compressed map.
std::string ActiveMapFolder() {
    const unsigned map = VXP_GetMap(VXP_GetActiveView());
    if (VXP_GetMapType(map) != kCompressedMapType) return "";
    const char* file = VXP_GetMapFile(map);
    return file != nullptr && *file != '\0' ? FolderOfPlace(PlaceOfPath(file)) : "";
}

std::string LastWritten(const std::string& path) {
    const std::optional<std::time_t> time = LastWriteTimeOf(path);
    const std::tm* local = time ? std::localtime(&*time) : nullptr;
    if (local == nullptr) return "?";
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", local);
    return text;
}

// Writes the blocks back with the progress dialog; the outcome.
RestoreResult Restore(const std::string& undoPath, const std::string& mapPath, bool force) {
    CPluginCorrectionUi ui;
    ui.OpenProgress();
    ui.SetFileName(NameOfPlace(undoPath));
    RestoreOptions options;
    options.bForce = force;
    options.stop = [&ui] {
        ui.Pump();
        return ui.AbortRequested();
    };
    options.progress = [&ui](int64_t written, int64_t total) {
        ui.SetPos(total > 0 ? static_cast<int>(written * 100 / total) : 100);
    };
    const RestoreResult result = RestoreMap(undoPath, mapPath, options);
    ui.CloseProgress();
    return result;
}

// Restores, asking once more where the map changed since the run; tells the
// outcome.
void RestoreAndTell(const std::string& undoPath, const std::string& mapPath) {
    RestoreResult result = Restore(undoPath, mapPath, false);
    if (result.outcome == RestoreOutcome::kChangedSince) {
        if (AfxMessageBox(HostText(kMsgChangedSinceFormat, result.detail.c_str()),
                          kMbYesNo | kMbIconExclamation | kMbDefButton2) != kIdYes)
            return;
        result = Restore(undoPath, mapPath, true);
    }
    const auto blocks = static_cast<long long>(result.blocks);
    switch (result.outcome) {
        case RestoreOutcome::kRestored:
            AfxMessageBox(HostText(kMsgRestoredFormat, blocks), kMbOk | kMbIconInformation);
            return;
        case RestoreOutcome::kNothingToDo:
            AfxMessageBox(kMsgNothingToRestore, kMbOk | kMbIconInformation);
            return;
        case RestoreOutcome::kStopped:
            AfxMessageBox(HostText(kMsgRestoreStoppedFormat, blocks), kMbOk | kMbIconInformation);
            return;
        case RestoreOutcome::kCannotOpenMap:
            AfxMessageBox(std::string(kMsgRestoreCannotOpenMap) + "\n" + result.detail,
                          kMbOk | kMbIconExclamation);
            return;
        case RestoreOutcome::kFileError:
            AfxMessageBox(std::string(kMsgRestoreFailed) + "\n" + result.detail,
                          kMbOk | kMbIconExclamation);
            return;
        default:
            AfxMessageBox(std::string(kMsgCannotRestore) + "\n" + result.detail,
                          kMbOk | kMbIconExclamation);
            return;
    }
}

}  // namespace

void RunUndoCommand() {
    std::string undoPath;
    if (!AfxBrowseOpenFile(VXP_GetMainWnd(), kUndoDialogTitle, kUndoFilter, ActiveMapFolder(),
                           undoPath))
        return;
    std::string mapPath = MapOfUndoFile(undoPath);
    if (mapPath.empty() || KindOfPath(mapPath) != PathKind::kFile) {
        mapPath.clear();
        if (!AfxBrowseOpenFile(VXP_GetMainWnd(), kUndoMapTitle, kUndoMapFilter,
                               FolderOfPlace(PlaceOfPath(undoPath)), mapPath))
            return;
    }
    const std::string question = HostText(kMsgRestoreQuestionFormat, mapPath.c_str(),
                                          undoPath.c_str(), LastWritten(undoPath).c_str());
    if (AfxMessageBox(question, kMbYesNo | kMbIconQuestion | kMbDefButton2) != kIdYes) return;
    CMapViewArray views;
    if (!CloseMapInViews(mapPath.c_str(), views)) return;
    // From here on the views get their map back whatever happens.
    try {
        RestoreAndTell(undoPath, mapPath);
    } catch (const std::exception& error) {
        AfxMessageBox(FailureMessage(error), kMbOk | kMbIconExclamation);
    }
    ReopenMapInViews(views);
}
