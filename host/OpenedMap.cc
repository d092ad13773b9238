#include "host/OpenedMap.h"

#include <string>

#include "correction/CorrectionUi.h"
#include "correction/Messages.h"
#include "framework/Exception.h"
#include "framework/SystemMessage.h"

bool OpenMapForRun(const char* dcmPath, OpenedMap& map, ICorrectionUi& ui) {
    try {
        map.file = OpenFile(dcmPath, FileAccess::kReadWriteExclusive);
    } catch (const CFileException&) {
        ui.ShowMessage(kMsgCannotOpenMap, MessageKind::kFailure);
        return false;
    }
    switch (LoadTileIndex(*map.file, map.header, map.index, nullptr)) {
        case IndexLoad::kNoMemory:
            ui.ShowMessage(std::string(kMsgRunFailed) + "\n" + AfxOutOfMemoryMessage(),
                           MessageKind::kFailure);
            return false;
        case IndexLoad::kRejected:
            ui.ShowMessage(kMsgCannotCorrectMap, MessageKind::kFailure);
            return false;
        case IndexLoad::kLoaded:
            break;
    }
    return true;
}
