#include "host/RunCorrection.h"

#include <memory>
#include <new>

#include "correction/CorrectMap.h"
#include "correction/MeshFileSource.h"
#include "correction/MeshSurvey.h"
#include "correction/Messages.h"
#include "dem/SourceList.h"
#include "framework/Exception.h"
#include "framework/MessageBox.h"
#include "framework/SystemMessage.h"
#include "host/DemCorrection.h"
#include "host/DemMessages.h"
#include "host/HostMessages.h"
#include "host/HostUndo.h"
#include "host/MapViews.h"
#include "host/OpenedMap.h"
#include "host/PluginUi.h"

std::string FailureMessage(const std::exception& error) {
    if (const auto* undo = dynamic_cast<const CJournalException*>(&error))
        return std::string(kMsgUndoFailed) + "\n" + undo->Path() + "\n" + undo->Reason();
    if (const auto* file = dynamic_cast<const CFileException*>(&error))
        return std::string(kMsgFileError) + "\n" + file->Path() + "\n" + file->Reason();
    // The framework's other exceptions carry the system's text.
    if (dynamic_cast<const CException*>(&error) != nullptr)
        return std::string(kMsgRunFailed) + "\n" + error.what();
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr)
        return std::string(kMsgRunFailed) + "\n" + AfxOutOfMemoryMessage();
    return kMsgRunFailed;
}

void RunCorrection(const char* dcmPath, const char* folderPath) {
    const FolderSources found = *folderPath != '\0' ? SourcesInFolder(folderPath) : FolderSources{};
    if (found.meshPaths.empty() && !found.demSources.empty()) {
        RunDemCorrection(dcmPath, found.demSources);
        return;
    }
    CMapViewArray views;
    if (!CloseMapInViews(dcmPath, views)) return;
    // From here on the views get their map back whatever happens; by the
    // time a failure is caught, the file is closed and the progress gone.
    try {
        CPluginCorrectionUi ui;
        OpenedMap map;
        if (OpenMapForRun(dcmPath, map, ui)) {
            CFolderMeshFiles meshes(folderPath);
            const std::vector<int32_t> codes = SurveyMeshCodes(meshes);
            // Without a mesh file the run says so; nothing is kept.
            CHostUndo undo;
            if (codes.empty() || undo.Choose(dcmPath, codes, map)) {
                map.index.Clear();  // the run loads its own, from the file's start
                map.file->Seek(0);
                CorrectionOptions options;
                options.nCachedTiles = kPluginCachedTiles;
                options.pJournal = undo.Journal();
                // Mesh files go before DEM files in one folder; the count says so.
                const bool demNotUsed = !found.demSources.empty();
                options.resultMessage = [&](const CorrectionResult& result) {
                    return AppliedMessage(result) +
                           (demNotUsed ? std::string("\n") + kMsgDemNotUsed : std::string()) +
                           undo.KeptLines();
                };
                ui.SetErrorNote([&undo] { return undo.KeptLines(); });
                CorrectOpenMap(*map.file, meshes, ui, options);
                ui.SetErrorNote(nullptr);
            }
        }
    } catch (const std::exception& error) {
        AfxMessageBox(FailureMessage(error), kMbOk | kMbIconExclamation);
    }
    ReopenMapInViews(views);
}
