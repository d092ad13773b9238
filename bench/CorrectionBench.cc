// The whole correction beside its I/O floor and beside the job's own limit,
// what each option of the terminal tool adds, and the tool's peak memory.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>

#include "bench/BenchSupport.h"
#include "correction/CorrectMap.h"
#include "correction/MeshFileSource.h"
#include "correction/MeshSurvey.h"
#include "elevation/MeshPatch.h"
#include "elevation/TileIndex.h"
#include "framework/File.h"
#include "report/RunReport.h"
#include "report/WrittenArea.h"
#include "samples/SampleMap.h"
#include "undo/UndoFile.h"
#include "undo/UndoFormat.h"

extern char** environ;

namespace {

// A map whose tiles form a grid of columns x rows from tile (0, 0), with its
// origin at the south-west corner of mesh square 533900.
void WriteGridMap(const fs::path& path, int columns, int rows) {
    SampleMapLayout layout;
    layout.originLat = 127200;  // 35 20'
    layout.originLon = 500400;  // 139
    for (int ty = 0; ty < rows; ++ty)
        for (int tx = 0; tx < columns; ++tx) layout.tiles.push_back({tx, ty});
    const auto map = BuildSampleMap(
        layout, [](size_t t, int cell) { return static_cast<int16_t>((t + cell) % 3000); });
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(map.data()), static_cast<std::streamsize>(map.size()));
}

// 500 meshes: 25 columns (mesh codes 5339u0..7 over u = 00..03) by 20 rows
// (p = 53.. with q = 0..7), all inside a map of 50 x 40 tiles; in the
// folder's name order, as a run takes them.
struct Job {
    fs::path meshDir, mapPath;
    std::vector<std::string> paths;
    std::vector<int32_t> codes;
};

Job MakeJob(const fs::path& work) {
    Job job;
    for (int row = 0; row < 20; ++row)
        for (int col = 0; col < 25; ++col)
            job.codes.push_back((53 + row / 8) * 10000 + (39 + col / 8) * 100 + (row % 8) * 10 +
                                col % 8);
    std::sort(job.codes.begin(), job.codes.end());
    job.meshDir = work / "meshes";
    job.mapPath = work / "grid.dcm";
    if (!fs::exists(job.mapPath)) {
        MakeMeshFiles(job.meshDir, job.codes);
        WriteGridMap(job.mapPath, 50, 40);
    }
    for (int32_t code : job.codes)
        job.paths.push_back((job.meshDir / (std::to_string(code) + ".mem")).string());
    return job;
}

void RunOrDie(const Job& job, const CorrectionOptions& options = {}) {
    CSilentUi ui;
    CFolderMeshFiles meshes(job.meshDir.string());
    if (CorrectMap(job.mapPath.string(), meshes, ui, options).applied !=
        static_cast<int>(job.paths.size()))
        std::exit(1);
}

}  // namespace

void CorrectionBenchmark(const fs::path& work) {
    const Job job = MakeJob(work);
    // The blocks a plain run visits: the listed ones of the four around each
    // mesh; and the distinct ones that receive cells.
    auto probe = OpenFile(job.mapPath.string(), FileAccess::kReadShared);
    DCMHEADER header;
    CTileIndex index;
    LoadTileIndex(*probe, header, index);
    const uint64_t length = probe->GetLength();
    probe.reset();
    std::vector<int64_t> around;
    std::set<int64_t> distinct;
    for (int32_t code : job.codes) {
        const auto corner = PlaceMesh(code, header);
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                if (auto key = TileKey(corner->x / kTileSide + dx, corner->y / kTileSide + dy))
                    if (const DCMTILEENTRY* e = index.Find(*key)) around.push_back(e->lBlockOffset);
        const MeshTiles tiles = TilesUnderMesh(*corner);
        for (int i = 0; i < tiles.count; ++i)
            if (auto block = WritableBlock(index, tiles.tiles[i], length)) distinct.insert(*block);
    }

    CAlignedBuffer text(256 * 1024), tile(kTileBlockSize);
    auto io = [&](const auto& blocks) {
        auto map = OpenFile(job.mapPath.string(), FileAccess::kReadWriteExclusive);
        for (const auto& p : job.paths) PlainRead(p, text);
        for (int64_t offset : blocks) {
            map->ReadAt(offset, tile.Data(), kTileBlockSize);
            map->WriteAt(offset, tile.Data(), kTileBlockSize);
        }
        map->Close();
    };
    const double floor = TimePerPass([&] { io(around); });
    const double limit = TimePerPass([&] { io(distinct); });
    const double run = TimePerPass([&] { RunOrDie(job); });
    CorrectionOptions uncached;
    uncached.nCachedTiles = 1;
    const double single = TimePerPass([&] { RunOrDie(job, uncached); });
    auto grid = std::make_unique<MeshGrid>();
    const double atoi = TimePerPass([&] {
        auto map = OpenFile(job.mapPath.string(), FileAccess::kReadWriteExclusive);
        DCMHEADER h;
        CTileIndex i;
        LoadTileIndex(*map, h, i);
        for (const auto& p : job.paths) {
            const int32_t code = AtoiReadMesh(p, *grid);
            PatchGridIntoMap(*map, h, i, code, *grid, tile.Data());
        }
        map->Close();
    });
    std::printf(
        "Whole correction: %zu meshes in folder order over a map of %zu tiles (%.0f MB)\n"
        "  I/O floor: mesh bytes read, the %zu listed blocks around the meshes read\n"
        "  and written                                          %7.1f ms\n"
        "  the job's own limit: mesh bytes read, the %zu distinct blocks read and\n"
        "  written once                                         %7.1f ms   %.2fx the floor\n"
        "  fgets + atoi reader, each mesh's tiles in turn       %7.1f ms   %.2fx the floor\n"
        "  CorrectMap without the tile cache                    %7.1f ms   %.2fx the floor\n"
        "  CorrectMap                                           %7.1f ms   %.2fx the floor, "
        "%.2fx the limit\n\n",
        job.paths.size(), index.Entries().size(), length / 1e6, around.size(), floor * 1e3,
        distinct.size(), limit * 1e3, limit / floor, atoi * 1e3, atoi / floor, single * 1e3,
        single / floor, run * 1e3, run / floor, run / limit);
}

// What an undo file's own bytes and syncs cost, with nothing worked out:
// the preamble and then its slots, each with its sync, each saved block and
// each record of sector sums written once, as large as the undo file's, and
// at each commit the same two syncs around the same small write.
class CUndoFloor final : public IMapJournal {
  public:
    explicit CUndoFloor(CFile& file) : m_file(file), m_zeros(UndoSumRecordSize(kSectorUnits)) {}
    void Begin(CFile&, const DCMHEADER& header) override {
        const std::vector<uint8_t> preamble(
            kUndoFixedSize + static_cast<size_t>(header.nTileCount) * kDcmTileEntrySize + 4);
        Write(preamble.data(), static_cast<uint32_t>(preamble.size()));
        m_file.Sync();
        m_file.WriteAt(kUndoSlotAt, m_zeros.data(), 2 * kUndoSlotSize);
        m_file.Sync();
    }
    void Save(int64_t, const uint8_t* bytes) override {
        Write(m_zeros.data(), kUndoBlockBytesAt);
        Write(bytes, kTileBlockSize);
        Write(m_zeros.data(), 4);
    }
    void Intend(int64_t, const uint8_t*) override {
        Write(m_zeros.data(), UndoSumRecordSize(kSectorUnits));
    }
    void Commit() override {
        m_file.Sync();
        m_file.WriteAt(kUndoSlotAt, m_zeros.data(), kUndoSlotSize);
        m_file.Sync();
    }

  private:
    void Write(const uint8_t* bytes, uint32_t n) {
        m_file.WriteAt(m_end, bytes, n);
        m_end += n;
    }
    CFile& m_file;
    std::vector<uint8_t> m_zeros;
    int64_t m_end = 0;
};

// The tool's run with the options asked for, as zelvorin-correct makes it:
// the mesh codes surveyed first, the report observing, the undo file (or
// its floor) journaling, and the picture written at the end.
struct ToolOptions {
    bool report = false, dry = false, undo = false, undoFloor = false, picture = false;
};

void ToolRun(const Job& job, const fs::path& work, const ToolOptions& asked, FILE* devnull) {
    CFolderMeshFiles listing(job.meshDir.string());
    const std::vector<int32_t> codes = SurveyMeshCodes(listing);
    CRunReport observer(devnull);
    if (asked.report) observer.WriteTableTo(devnull);
    if (asked.picture)
        observer.DrawPicture([&](const DCMHEADER& h, const CTileIndex& i) {
            return WrittenArea(codes, h, i, fs::file_size(job.mapPath));
        });
    const fs::path undoPath = work / "run.undo";
    std::unique_ptr<CFile> undoFile;
    std::unique_ptr<IMapJournal> journal;
    if (asked.undo || asked.undoFloor) {
        fs::remove(undoPath);
        undoFile = OpenFile(undoPath.string(), FileAccess::kCreateNew);
        if (asked.undo)
            journal = std::make_unique<CUndoJournal>(*undoFile);
        else
            journal = std::make_unique<CUndoFloor>(*undoFile);
    }
    CorrectionOptions options;
    options.bDryRun = asked.dry;
    options.observers = {&observer};
    options.pJournal = journal.get();
    options.pExpectedCodes = &codes;
    RunOrDie(job, options);
    if (asked.picture) {
        // A new file, as the undo file is: overwriting the last pass's
        // picture would time the file system's flush of a cut file.
        const fs::path picturePath = work / "run.png";
        fs::remove(picturePath);
        std::string why;
        if (observer.Picture() == nullptr ||
            !observer.Picture()->WritePng(picturePath.string(), why))
            std::exit(1);
    }
}

void OptionsBenchmark(const fs::path& work) {
    const Job job = MakeJob(work);
    FILE* devnull = std::fopen("/dev/null", "w");
    const ToolOptions runs[] = {{},
                                {true},
                                {false, true},
                                {false, false, true},
                                {false, false, false, true},
                                {false, false, false, false, true},
                                {true, false, true, false, true},
                                {true, true, false, false, true}};
    std::vector<std::function<void()>> passes;
    for (const ToolOptions& asked : runs)
        passes.push_back([&, asked] { ToolRun(job, work, asked, devnull); });
    const std::vector<double> t = TimePerPassInTurn(passes);
    const double plain = t[0], report = t[1], dry = t[2], undo = t[3], undoFloor = t[4],
                 picture = t[5], together = t[6], dryTogether = t[7];
    std::fclose(devnull);
    auto extra = [&](double t) { return t - plain; };
    std::printf(
        "What the tool's options add to its plain run (mesh codes surveyed, cells counted)\n"
        "  plain run                       %7.1f ms\n"
        "  --report                        %7.1f ms   %.2fx\n"
        "  --dry-run                       %7.1f ms   %.2fx\n"
        "  --undo (fdatasync)              %7.1f ms   %.2fx; its floor, the same bytes and\n"
        "                                  %7.1f ms   syncs: %.2fx the floor\n"
        "  --picture                       %7.1f ms   %.2fx\n"
        "  --report --undo --picture       %7.1f ms   %.2fx; the sum of their extra costs\n"
        "                                              %.1f ms, together %.1f ms\n"
        "  --dry-run --report --picture    %7.1f ms   %.2fx; sum %.1f ms, together %.1f ms\n\n",
        plain * 1e3, report * 1e3, report / plain, dry * 1e3, dry / plain, undo * 1e3, undo / plain,
        undoFloor * 1e3, undo / undoFloor, picture * 1e3, picture / plain, together * 1e3,
        together / plain, (extra(report) + extra(undo) + extra(picture)) * 1e3,
        extra(together) * 1e3, dryTogether * 1e3, dryTogether / plain,
        (extra(dry) + extra(report) + extra(picture)) * 1e3, extra(dryTogether) * 1e3);
}

long PeakOf(char** argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return -1;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return usage.ru_maxrss;
}

double PeakMegabytes(const fs::path& report, std::vector<std::string> args) {
    args.insert(args.begin(), {"/proc/self/exe", "--peak-of", report.string()});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    PeakOf(argv.data());
    std::ifstream in(report);
    long kilobytes = 0;
    in >> kilobytes;
    return kilobytes / 1024.0;
}

void MemoryBenchmark(const fs::path& work) {
    const Job job = MakeJob(work);
    // Peak resident memory of the tool in a process of its own. A child
    // counts the peak of the process it was forked from until it starts the
    // tool, and this one has held whole maps: a fresh copy of this program
    // (--peak-of) starts the tool and reports on it.
    const fs::path report = work / "peak.txt";
    auto peak = [&](size_t meshes, bool dryRun) {
        std::vector<std::string> args = {ZELVORIN_CORRECT};
        if (dryRun) args.push_back("--dry-run");
        args.push_back(job.mapPath.string());
        for (size_t i = 0; i < meshes; ++i) args.push_back(job.paths[i % job.paths.size()]);
        return PeakMegabytes(report, args);
    };
    const double base = peak(1, false);
    std::printf("Peak memory of zelvorin-correct (meshes listed, over the same map)\n");
    std::printf("  1 mesh (baseline)         %6.1f MB\n", base);
    for (size_t n : {100, 1000, 4000}) {
        const double mb = peak(n, false);
        std::printf("  %4zu meshes               %6.1f MB   %+.1f MB\n", n, mb, mb - base);
    }
    std::printf("  4000 meshes, --dry-run    %6.1f MB   (holds every tile it changed)\n\n",
                peak(4000, true));
}
