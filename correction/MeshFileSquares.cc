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
    m_bEnded = false;
    m_bAtEntry = m_files.First();
    if (m_bAtEntry && !m_work) m_work = std::make_unique<Workspace>();
    return m_bAtEntry;
}

bool CMeshFileSquares::Advance() {
    if (!m_bAtEntry && !m_bEnded) {
        m_bAtEntry = m_files.Next();
        m_bEnded = !m_bAtEntry;
    }
    return m_bAtEntry;
}

ISquareSource::Step CMeshFileSquares::Next(ReadySquare& square, SquareReadControl& control) {
    if (!Advance()) return Step::kEnd;
    m_bAtEntry = false;
    if (control.onFile) control.onFile(m_files.EntryName());
    const std::string path = m_files.EntryPath();
    MeshReadControl read;
    read.stopRequested = control.stopRequested;
    const int32_t code =
        ReadMemFile(path, m_work->grid, reinterpret_cast<char*>(m_work->text.Data()),
                    m_work->text.Size(), &read);
    if (code < 0) {
        control.unusableFile = path;
        control.failure = read.failure;
        return read.stopped ? Step::kStopped : Step::kUnusable;
    }
    ++m_read;
    square.meshCode = code;
    square.grid = &m_work->grid;
    square.path = path;
    square.records = read.records;
    return Step::kSquare;
}

bool CMeshFileSquares::Exhausted() { return !Advance(); }

int CMeshFileSquares::Percent() const { return ProgressPercent(m_read, m_counted); }
