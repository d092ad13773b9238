#include "correction/CorrectMap.h"

#include <cstdio>
#include <memory>

#include "correction/CorrectionUi.h"
#include "correction/MeshFileSource.h"
#include "correction/Messages.h"
#include "elevation/MeshPatch.h"
#include "elevation/MeshReader.h"
#include "elevation/TileIndex.h"
#include "framework/Exception.h"
#include "framework/File.h"

namespace {

// The applying pass: one mesh file after another until the source ends, a
// file cannot be used, or the user aborts.
CorrectionResult ApplyMeshFiles(CFile& map, const DCMHEADER& header, const CTileIndex& index,
                                IMeshFileSource& meshes, ICorrectionUi& ui, bool& found) {
    const int counted = meshes.CountEntries();
    CorrectionResult result;
    found = meshes.First();
    if (!found) return result;
    MeshReadControl control;
    control.stopRequested = [&ui] { return ui.AbortRequested(); };
    for (;;) {
        ui.SetFileName(meshes.EntryName());
        const int patched = PatchMeshIntoMap(map, header, index, meshes.EntryPath(), &control);
        if (patched != 1) {
            result.outcome = patched == kPatchStopped ? CorrectionOutcome::kAborted
                                                      : CorrectionOutcome::kStopped;
            result.unusableFile = meshes.EntryPath();
            result.reason = control.failure;
            break;
        }
        ++result.applied;
        ui.SetPos(ProgressPercent(result.applied, counted));
        ui.Pump();
        if (ui.AbortRequested()) {
            // Aborting after the last file changes nothing: the run is complete.
            result.outcome =
                meshes.Next() ? CorrectionOutcome::kAborted : CorrectionOutcome::kCompleted;
            break;
        }
        if (!meshes.Next()) break;
    }
    meshes.Close();
    return result;
}

std::string AppliedMessage(int applied) {
    char text[128];
    std::snprintf(text, sizeof text, kMsgAppliedFormat, applied);
    return text;
}

}  // namespace

int ProgressPercent(int applied, int counted) {
    if (counted <= 0) return 100;
    const long long percent = 100LL * applied / counted;
    return percent > 100 ? 100 : static_cast<int>(percent);
}

CorrectionResult CorrectMap(const std::string& mapPath, IMeshFileSource& meshes,
                            ICorrectionUi& ui) {
    std::unique_ptr<CFile> map;
    try {
        map = OpenFile(mapPath, FileAccess::kReadWriteExclusive);
    } catch (const CFileException& e) {
        ui.ShowMessage(kMsgCannotOpenMap, MessageKind::kFailure);
        CorrectionResult result;
        result.outcome = CorrectionOutcome::kCannotOpen;
        result.reason = e.Reason();
        return result;
    }
    return CorrectOpenMap(*map, meshes, ui);
}

CorrectionResult CorrectOpenMap(CFile& map, IMeshFileSource& meshes, ICorrectionUi& ui) {
    CorrectionResult result;
    try {
        DCMHEADER header;
        CTileIndex index;
        switch (LoadTileIndex(map, header, index)) {
            case IndexLoad::kNoMemory:
                map.Close();
                result.outcome = CorrectionOutcome::kNoMemory;
                return result;
            case IndexLoad::kRejected:
                map.Close();
                ui.ShowMessage(kMsgCannotCorrectMap, MessageKind::kFailure);
                result.outcome = CorrectionOutcome::kRejected;
                return result;
            case IndexLoad::kLoaded:
                break;
        }

        ui.OpenProgress();
        bool found = false;
        result = ApplyMeshFiles(map, header, index, meshes, ui, found);
        ui.CloseProgress();
        if (!found) {
            ui.ShowMessage(kMsgNoMeshFiles, MessageKind::kFailure);
            result.outcome = CorrectionOutcome::kNoMeshFiles;
        } else {
            ui.ShowMessage(AppliedMessage(result.applied), MessageKind::kResult);
        }
        index.Clear();
        map.Close();
    } catch (const CException& error) {
        // The map keeps every whole tile written before the failure; the
        // owner of the file object releases it.
        meshes.Close();
        ui.CloseProgress();
        ui.ShowError(error);
        result.outcome = CorrectionOutcome::kFileError;
    }
    return result;
}
