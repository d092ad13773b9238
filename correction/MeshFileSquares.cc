#include "correction/MeshFileSquares.h"

#include "correction/CorrectMap.h"
#include "elevation/MeshReader.h"
#include "framework/AlignedBuffer.h"

namespace {

// Enough for a whole mesh file of 200 records in one read.
constexpr size_t kMeshReadBuffer = 256 * 1024;

}  // namespace

// What the pass reads each mesh into, made once.
struct CMeshFileSquares::Workspace {
    MeshGrid grid;
    CAlignedBuffer text{kMeshReadBuffer};
};

CMeshFileSquares::CMeshFileSquares(IMeshFileSource& files) : m_files(files) {}
CMeshFileSquares::~CMeshFileSquares() = default;

bool CMeshFileSquares::Start() {
    m_counted = m_files.CountEntries();
    m_read = 0;
    m_bFound = m_files.First();
    if (m_bFound && !m_work) m_work = std::make_unique<Workspace>();
    return m_bFound;
}

ISquareSource::Pass CMeshFileSquares::HandOn(const SquareTaker& take, SquareReadControl& control) {
    if (!m_bFound) return Pass::kEnded;
    MeshReadControl read;
    read.stopRequested = control.stopRequested;
    ReadySquare square;
    square.grid = &m_work->grid;
    do {
        if (control.onFile) control.onFile(m_files.EntryName());
        square.path = m_files.EntryPath();
        square.meshCode =
            ReadMemFile(square.path, m_work->grid, reinterpret_cast<char*>(m_work->text.Data()),
                        m_work->text.Size(), &read);
        if (square.meshCode < 0) {
            control.unusableFile = square.path;
            control.failure = read.failure;
            return read.stopped ? Pass::kStopped : Pass::kUnusable;
        }
        ++m_read;
        square.records = read.records;
        if (!take(square)) return Pass::kDeclined;
    } while (m_files.Next());
    return Pass::kEnded;
}

bool CMeshFileSquares::Exhausted() { return !m_files.Next(); }

int CMeshFileSquares::Percent() const { return ProgressPercent(m_read, m_counted); }
