#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "elevation/MeshGrid.h"

// A second-level mesh square ready to go into the map, and where it came
// from as the observers name it.
struct ReadySquare {
    int32_t meshCode = 0;
    const MeshGrid* grid = nullptr;  // valid until the source's next step
    std::string path;                // the file it was read from
    int records = 0;                 // the record lines that file held
};

// What a source reports back while it reads, and how the run may stop it.
struct SquareReadControl {
    // Asked while a file is read: a read it stops applies nothing of its file.
    std::function<bool()> stopRequested;
    // Called with each file's name as its reading starts, for the progress.
    std::function<void(const std::string&)> onFile;
    std::string unusableFile;  // after kUnusable or kStopped: the file being read
    std::string failure;       // after kUnusable: why that file cannot be used
};

// Where a run's squares come from. The run takes them one by one and places
// each into the map, without knowing what kind of file gave it.
class ISquareSource {
  public:
    enum class Step {
        kSquare,    // a square is ready
        kEnd,       // every square was handed out
        kUnusable,  // a file cannot be used; the squares before it stand
        kStopped,   // the stop request ended a read
    };

    virtual ~ISquareSource() = default;
    // Starts the pass; false when the source holds nothing to apply.
    virtual bool Start() = 0;
    virtual Step Next(ReadySquare& square, SquareReadControl& control) = 0;
    // True when the source has nothing left after the squares handed out.
    virtual bool Exhausted() = 0;
    // How far the pass has come, 0 to 100.
    virtual int Percent() const = 0;
    // Ends the pass on every path; a source can be started again.
    virtual void Close() = 0;
};
