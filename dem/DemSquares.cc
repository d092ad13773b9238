#include "dem/DemSquares.h"

#include <algorithm>

#include "dem/DemSources.h"
#include "dem/GmlDem.h"
#include "framework/Exception.h"
#include "framework/File.h"

namespace {

// Ends the walk: the run declined a square, or a file cannot be used.
struct CDeclined {};
struct CUnusableFile {
    std::string file;
    std::string reason;
};

}  // namespace

class CDemSquares::CSink final : public IDemMemberSink {
  public:
    CSink(CDemSquares& squares, const SquareTaker& take, SquareReadControl& control)
        : m_squares(squares), m_take(take), m_control(control) {}

    bool OnDemMember(const std::string& displayName, const std::string& fileName,
                     const std::vector<uint8_t>& bytes, bool) override {
        const DemPlan& plan = m_squares.m_plan;
        const size_t member = m_nMember++;
        if (member >= plan.members.size() ||
            (plan.members[member] >= 0 &&
             plan.files[static_cast<size_t>(plan.members[member])].displayName != displayName))
            throw CUnusableFile{displayName, "the sources changed since they were first read"};
        if (plan.members[member] < 0) return true;
        const auto index = static_cast<size_t>(plan.members[member]);
        const DemPlanFile& file = plan.files[index];
        if (!file.bApplied) return true;
        if (m_control.onFile) m_control.onFile(fileName);

        // The first look read the head only: the sequence rule, the start
        // point and the tuples are checked here.
        std::string failure;
        if (ReadDemFile(bytes.data(), bytes.size(), fileName, m_grid, failure) != DemRead::kDem)
            throw CUnusableFile{displayName, failure};
        if (!SameHead(m_grid.header, file.header))
            throw CUnusableFile{displayName, "the file changed since it was first read"};
        for (int32_t code : file.squares) {
            auto sums = m_squares.m_sums.find(code);
            if (sums == m_squares.m_sums.end())
                sums = m_squares.m_sums
                           .emplace(code, CSquareSums(code, SquareShift(code, m_squares.m_datum)))
                           .first;
            try {
                sums->second.Add(m_grid, static_cast<int32_t>(index));
            } catch (const CException& e) {
                throw CUnusableFile{displayName, e.what()};
            }
        }
        // Squares whose last file this was go on to the run.
        for (int32_t code : file.squares)
            if (--m_squares.m_pending[code] == 0) HandOnSquare(code, displayName);
        return true;
    }

    void OnSkipped(const std::string&) override {}

  private:
    // Whether a whole read agrees with the first look's head: the squares
    // planned from the head are those the file feeds.
    static bool SameHead(const DemHeader& read, const DemHeader& head) {
        return read.meshCode == head.meshCode && read.product == head.product &&
               read.southMas == head.southMas && read.westMas == head.westMas &&
               read.northMas == head.northMas && read.eastMas == head.eastMas &&
               read.columns == head.columns && read.rows == head.rows &&
               (head.startColumn == kDemStartUnknown ||
                (read.startColumn == head.startColumn && read.startRow == head.startRow));
    }

    void HandOnSquare(int32_t code, const std::string& path) {
        const auto sums = m_squares.m_sums.find(code);
        sums->second.Finish(*m_squares.m_grid, &m_sources,
                            m_squares.m_bMeans ? &m_squares.m_means : nullptr,
                            &m_squares.m_nOutOfRange);
        m_squares.m_sums.erase(sums);
        std::vector<bool> fed(m_squares.m_cellsWon.size(), false);
        for (int32_t source : m_sources)
            if (source != kNoSource) {
                ++m_squares.m_cellsWon[static_cast<size_t>(source)];
                fed[static_cast<size_t>(source)] = true;
            }
        for (size_t i = 0; i < fed.size(); ++i) m_squares.m_squaresFed[i] += fed[i];
        ++m_squares.m_handed;
        ReadySquare square;
        square.meshCode = code;
        square.grid = m_squares.m_grid.get();
        square.keepMarked = true;
        square.path = path;
        if (m_squares.m_bMeans) square.means = m_squares.m_means.data();
        if (!m_take(square)) throw CDeclined{};
    }

    CDemSquares& m_squares;
    const SquareTaker& m_take;
    SquareReadControl& m_control;
    size_t m_nMember = 0;
    DemGrid m_grid;
    std::vector<int32_t> m_sources;
};

CDemSquares::CDemSquares(std::vector<DemSource> sources, const DemPlan& plan, MapDatum datum)
    : m_sources(std::move(sources)), m_plan(plan), m_datum(datum) {}

CDemSquares::~CDemSquares() = default;

bool CDemSquares::Start() {
    m_sums.clear();
    m_pending.clear();
    for (const DemPlanFile& file : m_plan.files)
        if (file.bApplied)
            for (int32_t code : file.squares) ++m_pending[code];
    m_cellsWon.assign(m_plan.files.size(), 0);
    m_squaresFed.assign(m_plan.files.size(), 0);
    m_handed = 0;
    m_nOutOfRange = 0;
    // Progress goes by the bytes of the sources read.
    m_lengths.clear();
    m_nTotalBytes = m_nBytesBefore = 0;
    for (const DemSource& source : m_sources) {
        uint64_t length = 0;
        try {
            length = OpenFile(source.path, FileAccess::kReadShared)->GetLength();
        } catch (const CFileException&) {
            // The walk tells why it cannot be read.
        }
        m_lengths.push_back(length);
        m_nTotalBytes += length;
    }
    if (!m_grid) m_grid = std::make_unique<MeshGrid>();
    return !m_plan.squares.empty();
}

ISquareSource::Pass CDemSquares::HandOn(const SquareTaker& take, SquareReadControl& control) {
    CSink sink(*this, take, control);
    DemWalkOptions options;
    options.stopRequested = control.stopRequested;
    options.progress = [this](uint64_t read, uint64_t) { m_nSourceRead = read; };
    try {
        // Source by source, so that the progress knows which one it reads.
        for (m_nSource = 0; m_nSource < m_sources.size(); ++m_nSource) {
            m_nSourceRead = 0;
            const DemWalkResult walk = WalkDemSources({m_sources[m_nSource]}, sink, options);
            if (walk.outcome == DemWalkOutcome::kStopped) return Pass::kStopped;
            if (walk.outcome == DemWalkOutcome::kUnusable) {
                // The walk's reason starts with the zip or member at fault.
                control.unusableFile = walk.reason;
                control.failure.clear();
                return Pass::kUnusable;
            }
            m_nBytesBefore += m_lengths[m_nSource];
        }
    } catch (const CDeclined&) {
        return Pass::kDeclined;
    } catch (const CUnusableFile& unusable) {
        control.unusableFile = unusable.file;
        control.failure = unusable.reason;
        return Pass::kUnusable;
    }
    return Pass::kEnded;
}

int CDemSquares::Percent() const {
    if (m_nTotalBytes == 0) return 100;
    const uint64_t read =
        m_nBytesBefore +
        std::min(m_nSourceRead, m_nSource < m_lengths.size() ? m_lengths[m_nSource] : 0);
    return static_cast<int>(std::min<uint64_t>(100, read * 100 / m_nTotalBytes));
}
