#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "tools/CommandLine.h"

class CFile;
class IMeshFileSource;

// The files a run writes beside the map: the undo file and the report, made
// before the map is touched, and the picture, known by then to be makeable.
class CSideFiles {
  public:
    explicit CSideFiles(const CommandLine& line) : m_line(line) {}
    ~CSideFiles();

    // What the run reads beside the map: mesh files, or DEM files and zips.
    enum class Sources { kMeshFiles, kDem };

    // Creates the undo file and the report and checks the picture's path,
    // none of them the map, a source that sources yields or another of
    // them, by any name. On failure says why on standard error, leaves no
    // new file behind and returns the exit status: 8 for the undo file, 9
    // for the others.
    std::optional<int> Open(IMeshFileSource& sources, Sources kind);

    CFile* Undo() const { return m_undo.get(); }
    FILE* Report() const { return m_report; }

    // Removes the undo file made by Open: a run that never reached the map
    // leaves none that would refuse the next try.
    void DropUndo();

    // Closes the report; false, with a note on standard error, when any of
    // it could not be written.
    bool CloseReport();

  private:
    struct Collision {
        std::string what;  // which output would overwrite what
        int status;        // the exit status for that output
    };
    std::optional<Collision> FindCollision(IMeshFileSource& meshes, Sources kind) const;

    const CommandLine& m_line;
    std::unique_ptr<CFile> m_undo;
    FILE* m_report = nullptr;
};
