#pragma once

#include <memory>

#include "correction/MeshFileSource.h"
#include "correction/SquareSource.h"

// The squares of mesh files: one a file, read as the pass comes to it.
class CMeshFileSquares final : public ISquareSource {
  public:
    explicit CMeshFileSquares(IMeshFileSource& files);
    ~CMeshFileSquares() override;

    bool Start() override;
    Step Next(ReadySquare& square, SquareReadControl& control) override;
    bool Exhausted() override;
    int Percent() const override;
    void Close() override { m_files.Close(); }

  private:
    struct Workspace;

    // Moves to the next file unless a look ahead already did; false at the end.
    bool Advance();

    IMeshFileSource& m_files;
    std::unique_ptr<Workspace> m_work;
    int m_counted = 0;
    int m_read = 0;
    bool m_bAtEntry = false;  // the current entry is still to be read
    bool m_bEnded = false;
};
