#include "host/DemCorrection.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

#include "correction/CorrectMap.h"
#include "correction/Messages.h"
#include "dem/DemSquares.h"
#include "elevation/TileIndex.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/MessageBox.h"
#include "framework/SystemMessage.h"
#include "host/DemMessages.h"
#include "host/HostText.h"
#include "host/HostUndo.h"
#include "host/MapViews.h"
#include "host/OpenedMap.h"
#include "host/PluginUi.h"
#include "host/RunCorrection.h"
#include "run/DemStart.h"

namespace {

// A datum's figure for the question: metres, or '-' where no cell compared.
std::string Figure(const DatumFit& fit) { return fit.cells > 0 ? HostText("%.2f", fit.rms) : "-"; }

// A step's stop request: the abort button, the host's messages pumped as
// the step goes.
std::function<bool()> StopOf(CPluginCorrectionUi& ui) {
    return [&ui] {
        ui.KeepResponsive();
        return ui.AbortRequested();
    };
}

// Counts the squares that lay wholly outside the map.
class COutsideSquares final : public ICorrectionObserver {
  public:
    bool WantsTiles() const override { return false; }
    void OnFirstRead(TileNumber, int64_t, const uint8_t*) override {}
    void OnFinal(TileNumber, const uint8_t*, bool) override {}
    void OnStart(CFile&, const DCMHEADER&, const CTileIndex&) override {}
    void OnMeshApplied(const std::string&, int32_t, int, const MeshTally& tally) override {
        m_nOutside += !tally.bInsideMap;
    }
    int m_nOutside = 0;
};

// The first look ended the command: says why; true when the run goes on.
bool GoesOnAfterTheFirstLook(const DemStart& start, ICorrectionUi& ui) {
    switch (start.outcome) {
        case DemStart::Outcome::kReady:
            return true;
        case DemStart::Outcome::kNoDem:
            ui.ShowMessage(kMsgNoDem, MessageKind::kFailure);
            return false;
        case DemStart::Outcome::kStopped:
            ui.ShowMessage(kMsgStoppedBeforeWriting, MessageKind::kResult);
            return false;
        default:
            ui.ShowMessage(std::string(kMsgDemRefused) + "\n" + start.unusable,
                           MessageKind::kFailure);
            return false;
    }
}

// The datum step's end: true when the run goes on with start.datum set,
// having asked the user where the data leave it open.
bool GoesOnAfterTheDatumStep(DemStart& start, ICorrectionUi& ui) {
    switch (start.outcome) {
        case DemStart::Outcome::kReady:
            return true;
        case DemStart::Outcome::kDatumStopped:
            ui.ShowMessage(kMsgStoppedBeforeWriting, MessageKind::kResult);
            return false;
        case DemStart::Outcome::kDatumUndecided:
        case DemStart::Outcome::kDatumTooFewCells:
            break;
        default:
            ui.ShowMessage(std::string(kMsgDemRefused) + "\n" + start.unusable,
                           MessageKind::kFailure);
            return false;
    }
    const std::string question =
        HostText(kMsgDatumQuestionFormat, Figure(start.choice.tokyo).c_str(),
                 Figure(start.choice.jgd).c_str());
    switch (AfxMessageBox(question, kMbYesNoCancel | kMbIconQuestion | kMbDefButton3)) {
        case kIdYes:
            TakeDatum(start, MapDatum::kTokyo);
            return true;
        case kIdNo:
            TakeDatum(start, MapDatum::kJgd);
            return true;
        default:
            return false;
    }
}

// The count, the datum taken, the squares outside the map, and why the run
// ended early where it did.
std::string ResultMessage(const CorrectionResult& result, const DemPlan& plan,
                          const CDemSquares& squares, MapDatum datum, int outside) {
    int files = 0;
    for (size_t i = 0; i < plan.files.size(); ++i) files += squares.SquaresFed()[i] > 0;
    std::string text = HostText(kMsgDemAppliedFormat, files, squares.SquaresWritten());
    text += "\n";
    text += datum == MapDatum::kTokyo ? kMsgDatumTokyo : kMsgDatumJgd;
    if (outside > 0) text += "\n" + HostText(kMsgOutsideFormat, outside);
    if (result.outcome == CorrectionOutcome::kAborted)
        text += std::string("\n") + kMsgDemAbortedNote;
    if (result.outcome == CorrectionOutcome::kStopped) {
        text += std::string("\n") + kMsgDemStoppedNote + "\n" + result.unusableFile;
        if (!result.reason.empty()) text += ": " + result.reason;
    }
    return text;
}

// The steps from the map, which the host has let go, to the count.
void CorrectTheMap(const char* dcmPath, const std::vector<DemSource>& sources, DemStart& start,
                   CPluginCorrectionUi& ui) {
    OpenedMap map;
    if (!OpenMapForRun(dcmPath, map, ui)) return;
    ui.OpenProgress();
    SettleDemDatum(start, std::nullopt, sources, *map.file, map.header, map.index, StopOf(ui));
    ui.CloseProgress();
    if (!GoesOnAfterTheDatumStep(start, ui)) return;
    CHostUndo undo;
    if (!undo.Choose(dcmPath, start.plan.squares, map)) return;

    CDemSquares squares(sources, start.plan, *start.datum);
    squares.CountForMap(map.header, map.index, map.file->GetLength());
    // The counts go on reading the index; the run loads its own, from the
    // file's start.
    map.file->Seek(0);
    COutsideSquares outside;
    CorrectionOptions options;
    options.nCachedTiles = kPluginCachedTiles;
    options.observers = {&outside};
    options.pExpectedCodes = &start.plan.squares;
    options.pJournal = undo.Journal();
    options.resultMessage = [&](const CorrectionResult& result) {
        return ResultMessage(result, start.plan, squares, *start.datum, outside.m_nOutside) +
               undo.KeptLines();
    };
    ui.SetErrorNote([&undo] { return undo.KeptLines(); });
    CorrectOpenMap(*map.file, squares, ui, options);
    ui.SetErrorNote(nullptr);
    undo.Finish();
}

}  // namespace

void RunDemCorrection(const char* dcmPath, const std::vector<DemSource>& sources) {
    CPluginCorrectionUi ui(true);
    ui.OpenProgress();
    DemStart start = LookAtDemSources(sources, std::nullopt,
                                      {StopOf(ui), [&ui](const std::string& name, int percent) {
                                           ui.SetFileName(name);
                                           ui.SetPos(percent);
                                       }});
    ui.CloseProgress();
    if (!GoesOnAfterTheFirstLook(start, ui)) return;

    CMapViewArray views;
    if (!CloseMapInViews(dcmPath, views)) return;
    // From here on the views get their map back whatever happens.
    try {
        CorrectTheMap(dcmPath, sources, start, ui);
    } catch (const std::exception& error) {
        ui.CloseProgress();
        AfxMessageBox(FailureMessage(error), kMbOk | kMbIconExclamation);
    }
    ReopenMapInViews(views);
}
