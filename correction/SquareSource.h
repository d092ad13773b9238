#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "elevation/MeshGrid.h"

// A second-level mesh square ready to go into the map, and where it came
// from as the observers name it.
struct ReadySquare {
    int32_t meshCode = 0;
    const MeshGrid* grid = nullptr;  // valid during the call that hands it on
    std::string path;                // the file it was read from
    int records = 0;                 // the record lines that file held (mesh files)
    bool keepMarked = false;         // the grid may mark cells kKeepCell
    // Each cell's value before it was rounded to whole metres (kMeshCells,
    // NaN where the grid keeps the map's value), where the source has one.
    const double* means = nullptr;
};

// What a source reports back while it reads, and how the run may stop it.
struct SquareReadControl {
    // Asked while a file is read: a read it stops applies nothing of its file.
    std::function<bool()> stopRequested;
    // Called with each file's name as its reading starts, for the progress.
    std::function<void(const std::string&)> onFile;
    // Called about every 50 ms while the pass waits for files read on other
    // threads, so that its caller's input is not kept waiting; may be empty.
    std::function<void()> whileWaiting;
    std::string unusableFile;  // after kUnusable or kStopped: the file being read
    std::string failure;       // after kUnusable: why that file cannot be used
};

// Where a run's squares come from. The source reads its files and hands each
// square on to the run, which places it into the map without knowing what
// kind of file gave it.
class ISquareSource {
  public:
    enum class Pass {
        kEnded,     // every square was handed on
        kDeclined,  // the run took a square and asked for no more
        kUnusable,  // a file cannot be used; the squares before it stand
        kStopped,   // the stop request ended a read
    };
    // Takes one square; false to end the pass after it. Throws to end the
    // pass with the exception.
    using SquareTaker = std::function<bool(const ReadySquare&)>;

    virtual ~ISquareSource() = default;
    // Starts the pass; false when the source holds nothing to apply.
    virtual bool Start() = 0;
    // Reads on and hands every square to take, in order.
    virtual Pass HandOn(const SquareTaker& take, SquareReadControl& control) = 0;
    // After kDeclined: true when nothing was left after the squares taken.
    virtual bool Exhausted() = 0;
    // How far the pass has come, 0 to 100.
    virtual int Percent() const = 0;
    // Ends the pass on every path; a source can be started again.
    virtual void Close() = 0;
};
