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
    Pass HandOn(const SquareTaker& take, SquareReadControl& control) override;
    bool Exhausted() override;
    int Percent() const override;
    void Close() override { m_files.Close(); }

  private:
    struct Workspace;

    IMeshFileSource& m_files;
    std::unique_ptr<Workspace> m_work;
    int m_counted = 0;
    int m_read = 0;
    bool m_bFound = false;  // the first entry, found by Start
};
