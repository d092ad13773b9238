// The order in which the writer tells the journal what it does: a block's
// original before any of its cells changes, and every write intended and
// made durable before the write itself.
#include <vector>

#include "correction/TileSlot.h"
#include "correction/TileWriter.h"

namespace {

// Runs a call of the journal, telling its failure apart from the map's.
template <class Call>
void OnJournal(Call call) {
    try {
        call();
    } catch (const CJournalException&) {
        throw;
    } catch (const CFileException& failure) {
        throw CJournalException(failure);
    }
}

}  // namespace

void CTileWriter::JournalFirstRead(int64_t block, const uint8_t* bytes) {
    if (m_journal != nullptr) OnJournal([&] { m_journal->Save(block, bytes); });
}

void CTileWriter::JournalWrites(const std::vector<Slot*>& slots) {
    if (m_journal == nullptr || slots.empty()) return;
    OnJournal([&] {
        for (Slot* slot : slots) m_journal->Intend(slot->block, slot->Data());
        m_journal->Commit();
    });
}

void CTileWriter::JournalWrite(int64_t block, const uint8_t* bytes) {
    if (m_journal == nullptr) return;
    OnJournal([&] {
        m_journal->Intend(block, bytes);
        m_journal->Commit();
    });
}
