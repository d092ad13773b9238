#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "undo/UndoFile.h"

struct OpenedMap;

// What a run in the host keeps so that it can be undone: an undo file
// beside the map (the terminal tool's format, which its --restore reads),
// made where the user asks for one.
class CHostUndo {
  public:
    CHostUndo();
    ~CHostUndo();

    // Asks whether to keep what the run over these squares overwrites,
    // giving the room it takes at most and the room free on the map's disk,
    // and makes the file on Yes. False when the user cancels: nothing is
    // written then.
    bool Choose(const std::string& mapPath, const std::vector<int32_t>& codes,
                const OpenedMap& map);

    // The run's journal; null without an undo file.
    IMapJournal* Journal();
    // Once the run has written: the lines the count ends with, naming the
    // file that is kept; nothing without one, or when the run never read the
    // map.
    std::string KeptLines() const;
    // After the run: closes the file, and removes it where the run never
    // read the map.
    void Finish();

  private:
    // Makes the file beside the map, numbered past names taken; false after
    // telling why it cannot, true (without a file) when the user goes on.
    bool Make(const std::string& mapPath, bool& goOn);

    std::unique_ptr<CFile> m_file;
    std::optional<CUndoJournal> m_journal;
    std::string m_strPath;
};
