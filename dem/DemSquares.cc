#include "dem/DemSquares.h"

#include <algorithm>
#include <optional>

#include "dem/DemSources.h"
#include "dem/DemTexts.h"
#include "dem/GmlDem.h"
#include "elevation/MeshPatch.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/OrderedPool.h"
#include "framework/Processors.h"

namespace {

// Ends the walk: the run declined a square, or a file cannot be used.
struct CDeclined {};
struct CUnusableFile {
    std::string file;
    std::string reason;
};

// Whether a whole read agrees with the first look's head: the squares
// planned from the head are those the file feeds.
bool SameHead(const DemHeader& read, const DemHeader& head) {
    return read.meshCode == head.meshCode && read.product == head.product &&
           read.southMas == head.southMas && read.westMas == head.westMas &&
           read.northMas == head.northMas && read.eastMas == head.eastMas &&
           read.columns == head.columns && read.rows == head.rows &&
           (head.startColumn == kDemStartUnknown ||
            (read.startColumn == head.startColumn && read.startRow == head.startRow));
}

}  // namespace

// A DEM file handed on by the walk, to be read; its bytes and grid are
// reused from one file to the next.
struct CDemSquares::SMember {
    size_t index = 0;  // of the plan's files
    std::string displayName;
    std::string fileName;
    std::vector<uint8_t> bytes;
    DemGrid grid;
};

// What reading a file found: its share of each square it feeds (in the
// order of its squares), or why it cannot be used.
struct CDemSquares::SRead {
    SMember member;
    bool bUsable = false;
    std::string failure;  // why not
    std::vector<GridShare> shares;
};

class CDemSquares::CSink final : public IDemMemberSink {
  public:
    CSink(CDemSquares& squares, const SquareTaker& take, SquareReadControl& control, int threads)
        : m_squares(squares), m_take(take), m_control(control) {
        if (threads > 1)
            m_pool.emplace(threads, static_cast<size_t>(threads) + 1,
                           [&plan = squares.m_plan, datum = squares.m_datum](SMember& member) {
                               return Read(member, plan, datum);
                           });
    }

    bool OnDemMember(const std::string& displayName, const std::string& fileName,
                     std::vector<uint8_t>& bytes, bool) override {
        const DemPlan& plan = m_squares.m_plan;
        const size_t member = m_nMember++;
        if (member >= plan.members.size() ||
            (plan.members[member] >= 0 &&
             plan.files[static_cast<size_t>(plan.members[member])].displayName != displayName))
            throw CUnusableFile{displayName, SayDem(DemText::kSourcesChanged)};
        if (plan.members[member] < 0) return true;
        const auto index = static_cast<size_t>(plan.members[member]);
        if (!plan.files[index].bApplied) return true;
        if (m_control.onFile) m_control.onFile(fileName);

        SMember next;
        if (!m_spare.empty()) {
            next = std::move(m_spare.back());
            m_spare.pop_back();
        }
        next.index = index;
        next.displayName = displayName;
        next.fileName = fileName;
        next.bytes.swap(bytes);  // the walk goes on in the spare's bytes
        if (!m_pool) {
            Apply(Read(next, plan, m_squares.m_datum));
            return true;
        }
        m_pool->Submit(std::move(next));
        // The files read by now, in order; the walk waits when the pool is full.
        while (auto read = m_pool->Next(m_pool->Full(), m_control.whileWaiting))
            Apply(std::move(*read));
        return true;
    }

    void OnSkipped(const std::string&) override {}

    // Adds the files still being read, in order, and hands their squares on.
    void Drain() {
        if (m_pool)
            while (auto read = m_pool->Next(true, m_control.whileWaiting)) Apply(std::move(*read));
    }

  private:
    // Reads the file (on any thread: the plan is only read) and measures its
    // share of each square it feeds.
    static SRead Read(SMember& member, const DemPlan& plan, MapDatum datum) {
        SRead read;
        const DemPlanFile& file = plan.files[member.index];
        // The first look read the head only: the sequence rule, the start
        // point and the tuples are checked here.
        if (ReadDemFile(member.bytes.data(), member.bytes.size(), member.fileName, member.grid,
                        read.failure) != DemRead::kDem) {
        } else if (!SameHead(member.grid.header, file.header)) {
            read.failure = SayDem(DemText::kFileChanged);
        } else {
            try {
                for (int32_t code : file.squares)
                    read.shares.push_back(
                        MeasureShare(member.grid, code, SquareShift(code, datum)));
                read.bUsable = true;
            } catch (const CException& e) {
                read.failure = e.what();
            }
        }
        read.member = std::move(member);
        return read;
    }

    // Adds a file's shares to the sums of its squares, and hands on the
    // squares whose last file it was.
    void Apply(SRead read) {
        const size_t index = read.member.index;
        const std::string displayName = std::move(read.member.displayName);
        const DemPlanFile& file = m_squares.m_plan.files[index];
        if (!read.bUsable) throw CUnusableFile{displayName, read.failure};
        if (!read.member.grid.unknownKind.empty())
            m_squares.m_warnings.push_back(
                SayDem(DemText::kUnknownTupleKind, {displayName, read.member.grid.unknownKind}));
        m_spare.push_back(std::move(read.member));
        for (size_t i = 0; i < file.squares.size(); ++i) {
            const int32_t code = file.squares[i];
            auto sums = m_squares.m_sums.find(code);
            if (sums == m_squares.m_sums.end())
                sums = m_squares.m_sums
                           .emplace(code, CSquareSums(code, SquareShift(code, m_squares.m_datum)))
                           .first;
            try {
                sums->second.Add(read.shares[i], static_cast<int32_t>(index));
            } catch (const CException& e) {
                throw CUnusableFile{displayName, e.what()};
            }
        }
        // Squares whose last file this was go on to the run.
        for (int32_t code : file.squares)
            if (--m_squares.m_pending[code] == 0) HandOnSquare(code, displayName);
    }

    void HandOnSquare(int32_t code, const std::string& path) {
        const auto sums = m_squares.m_sums.find(code);
        sums->second.Finish(*m_squares.m_grid, &m_sources,
                            m_squares.m_bMeans ? &m_squares.m_means : nullptr,
                            &m_squares.m_nOutOfRange);
        m_squares.m_sums.erase(sums);
        // With the map known, the cells it cannot take count for no file.
        const MapOfCounts& map = m_squares.m_map;
        if (map.header != nullptr)
            CellsTheMapTakes(*map.header, *map.index, map.fileLength, code, m_squares.m_takes);
        std::vector<bool> fed(m_squares.m_cellsWon.size(), false);
        bool written = false;
        for (size_t cell = 0; cell < m_sources.size(); ++cell) {
            const int32_t source = m_sources[cell];
            if (source == kNoSource || (map.header != nullptr && m_squares.m_takes[cell] == 0))
                continue;
            ++m_squares.m_cellsWon[static_cast<size_t>(source)];
            fed[static_cast<size_t>(source)] = true;
            written = true;
        }
        for (size_t i = 0; i < fed.size(); ++i) m_squares.m_squaresFed[i] += fed[i];
        m_squares.m_nSquaresWritten += written;
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
    std::vector<int32_t> m_sources;
    std::vector<SMember> m_spare;  // members read and added, for their buffers
    // Declared last: destroyed first, so that its threads are joined before
    // anything they might use goes.
    std::optional<COrderedPool<SMember, SRead>> m_pool;
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
    CSink sink(*this, take, control,
               m_nThreads > 0 ? m_nThreads : std::min(UsableProcessors(), kMostThreads));
    DemWalkOptions options;
    options.stopRequested = control.stopRequested;
    options.progress = [this](uint64_t read, uint64_t) { m_nSourceRead = read; };
    try {
        // Source by source, so that the progress knows which one it reads.
        for (m_nSource = 0; m_nSource < m_sources.size(); ++m_nSource) {
            m_nSourceRead = 0;
            const DemWalkResult walk = WalkDemSources({m_sources[m_nSource]}, sink, options);
            // The files the walk handed on before it ended are applied first.
            sink.Drain();
            if (walk.outcome == DemWalkOutcome::kStopped) {
                control.unusableFile = m_sources[m_nSource].path;  // where it stopped
                return Pass::kStopped;
            }
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
