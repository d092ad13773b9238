#include "host/HostUndo.h"

#include <cstdio>
#include <ctime>

#include "framework/Exception.h"
#include "framework/FileSystem.h"
#include "framework/MessageBox.h"
#include "host/HostMessages.h"
#include "host/HostText.h"
#include "host/OpenedMap.h"
#include "undo/UndoRoom.h"

namespace {

// The longest path the host's file functions take, in bytes, and what the
// undo file's passing name adds to its own.
constexpr size_t kMostPathBytes = 259;
constexpr size_t kPassingSuffixBytes = 11;

std::string Megabytes(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

}  // namespace

CHostUndo::CHostUndo() = default;

CHostUndo::~CHostUndo() { Finish(); }

bool CHostUndo::Choose(const std::string& mapPath, const std::vector<int32_t>& codes,
                       const OpenedMap& map) {
    const uint64_t needed = UndoRoomAtMost(codes, map.header, map.index, map.file->GetLength());
    const std::optional<uint64_t> free = FreeSpaceAt(FolderOfPlace(PlaceOfPath(mapPath)));
    const std::string freeText = free ? Megabytes(*free) : kMsgRoomUnknown;
    if (free && *free < needed) {
        // No room: correct without one, or not at all.
        return AfxMessageBox(
                   HostText(kMsgUndoNoRoomFormat, Megabytes(needed).c_str(), freeText.c_str()),
                   kMbOkCancel | kMbIconExclamation) == kIdOk;
    }
    switch (
        AfxMessageBox(HostText(kMsgUndoQuestionFormat, Megabytes(needed).c_str(), freeText.c_str()),
                      kMbYesNoCancel | kMbIconQuestion)) {
        case kIdYes: {
            bool goOn = false;
            return Make(mapPath, goOn) || goOn;
        }
        case kIdNo:
            return true;
        default:
            return false;
    }
}

bool CHostUndo::Make(const std::string& mapPath, bool& goOn) {
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    if (const std::tm* converted = std::localtime(&now)) local = *converted;
    std::string why = kMsgUndoNamesTaken;
    // The name as the system has it: the file is first written under it
    // and a suffix of up to 11 bytes, then renamed.
    const std::string place = PlaceOfPath(mapPath);
    for (int attempt = 1; attempt <= 99; ++attempt) {
        const std::string path = UndoFileName(place, local, attempt);
        if (path.size() + kPassingSuffixBytes > kMostPathBytes) {
            why = kMsgPathTooLong;
            m_strPath = path;
            break;
        }
        if (KindOfPath(path) != PathKind::kMissing) continue;  // a name taken
        try {
            m_file = CreateUndoFile(path);
            m_strPath = path;
            m_journal.emplace(*m_file);
            return true;
        } catch (const CFileException& error) {
            why = error.Reason();
            m_strPath = path;
            break;
        }
    }
    if (m_strPath.empty()) m_strPath = UndoFileName(place, local, 1);
    const std::string text = HostText(kMsgUndoCannotMakeFormat, m_strPath.c_str(), why.c_str());
    m_strPath.clear();
    goOn = AfxMessageBox(text, kMbOkCancel | kMbIconExclamation) == kIdOk;
    return false;
}

IMapJournal* CHostUndo::Journal() { return m_journal ? &*m_journal : nullptr; }

std::string CHostUndo::KeptLines() const {
    if (!m_journal || !m_journal->Begun()) return "";
    return std::string("\n") + kMsgUndoKept + "\n" + m_strPath;
}

void CHostUndo::Finish() {
    if (!m_file) return;
    const bool begun = m_journal->Begun();
    m_journal.reset();
    try {
        m_file->Close();
    } catch (const CFileException&) {
        // The run's own failure, if any, is what the user is told.
    }
    m_file.reset();
    if (!begun) RemoveFile(m_strPath);
}
