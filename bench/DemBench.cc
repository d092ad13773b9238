// A correction from the national DEM's zips beside its floor, the same
// zips walked and their members inflated, and where the rest of its time
// goes: the first look, the parsing and the resampling, each alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>

#include "bench/BenchSupport.h"
#include "bench/DemBulk.h"
#include "correction/CorrectMap.h"
#include "correction/SquareSource.h"
#include "dem/DemArchive.h"
#include "dem/DemPlan.h"
#include "dem/DemSources.h"
#include "dem/DemSquares.h"
#include "dem/GmlDem.h"
#include "dem/SquareResampler.h"
#include "dem/TestZip.h"
#include "framework/Processors.h"
#include "samples/SampleMap.h"

namespace {

// A DEM file as a walk hands it on.
struct Member {
    std::string fileName;
    std::vector<uint8_t> bytes;
};

class CKeepingSink final : public IDemMemberSink {
  public:
    bool OnDemMember(const std::string&, const std::string& fileName, std::vector<uint8_t>& bytes,
                     bool) override {
        members.push_back({fileName, bytes});
        return true;
    }
    void OnSkipped(const std::string&) override {}
    std::vector<Member> members;
};

// Takes the members without reading them: what the walk itself costs.
class CCountingSink final : public IDemMemberSink {
  public:
    bool OnDemMember(const std::string&, const std::string&, std::vector<uint8_t>& bytes,
                     bool) override {
        size += bytes.size();
        return true;
    }
    void OnSkipped(const std::string&) override {}
    uint64_t size = 0;
};

// Wall and processor time per pass.
struct Timed {
    double wall = 0;
    double cpu = 0;
};

// A map of 4 x 4 tiles from the south-west corner of square 533900
// (35 20' N, 139 E): squares 5339ab with a and b of 0 to 4 lie in it, all
// that the bulk's squares feed in either datum.
void WriteDemMap(const fs::path& path) {
    SampleMapLayout layout;
    layout.originLat = 127200;
    layout.originLon = 500400;
    for (int ty = 0; ty < 4; ++ty)
        for (int tx = 0; tx < 4; ++tx) layout.tiles.push_back({tx, ty});
    const auto map = BuildSampleMap(
        layout, [](size_t t, int cell) { return static_cast<int16_t>((t * 7 + cell) % 2000); });
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(map.data()), static_cast<std::streamsize>(map.size()));
}

// The whole run as the tool makes it: the first look, then the squares
// placed into the map, the DEM files read on that many threads.
void RunOrDie(const std::vector<DemSource>& sources, const fs::path& map, MapDatum datum,
              int threads) {
    const DemPlan plan = PlanDemRun(sources, datum, {});
    CDemSquares squares(sources, plan, datum);
    squares.SetThreads(threads);
    CorrectionOptions options;
    options.pExpectedCodes = &plan.squares;
    CSilentUi ui;
    const CorrectionResult result = CorrectMap(map.string(), squares, ui, options);
    if (plan.outcome != DemPlan::Outcome::kReady ||
        result.outcome != CorrectionOutcome::kCompleted ||
        result.applied != static_cast<int>(plan.squares.size())) {
        std::fprintf(stderr, "DEM run: %s %s\n", result.reason.c_str(), plan.reason.c_str());
        std::exit(1);
    }
}

// Every square's sums fed from the grids in the plan's order, then finished
// into out, a grid for each of the plan's squares in their order.
void Resample(const DemPlan& plan, const std::vector<DemGrid>& grids, MapDatum datum,
              std::vector<MeshGrid>& out) {
    std::map<int32_t, CSquareSums> sums;
    for (size_t i = 0; i < plan.files.size(); ++i)
        for (int32_t code : plan.files[i].squares) {
            auto it = sums.find(code);
            if (it == sums.end())
                it = sums.emplace(code, CSquareSums(code, SquareShift(code, datum))).first;
            it->second.Add(grids[i], static_cast<int32_t>(i));
        }
    out.resize(plan.squares.size());
    for (size_t i = 0; i < plan.squares.size(); ++i) sums.at(plan.squares[i]).Finish(out[i]);
}

// Squares worked out beforehand, handed on from memory: what placing them
// into the map costs without the DEM.
class CHeldSquares final : public ISquareSource {
  public:
    CHeldSquares(const std::vector<int32_t>& codes, const std::vector<MeshGrid>& grids)
        : m_codes(codes), m_grids(grids) {}
    bool Start() override {
        m_handed = 0;
        return !m_codes.empty();
    }
    Pass HandOn(const SquareTaker& take, SquareReadControl&) override {
        while (m_handed < m_codes.size()) {
            ReadySquare square;
            square.meshCode = m_codes[m_handed];
            square.grid = &m_grids[m_handed];
            square.path = "held";
            ++m_handed;
            if (!take(square)) return Pass::kDeclined;
        }
        return Pass::kEnded;
    }
    bool Exhausted() override { return m_handed == m_codes.size(); }
    int Percent() const override { return static_cast<int>(100 * m_handed / m_codes.size()); }
    void Close() override {}

  private:
    const std::vector<int32_t>& m_codes;
    const std::vector<MeshGrid>& m_grids;
    size_t m_handed = 0;
};

}  // namespace

void DemBenchmark(const fs::path& work) {
    const fs::path dir = work / "dem";
    fs::create_directories(dir);
    const auto made = std::chrono::steady_clock::now();
    const DemBulkArea area;
    const DemBulk bulk = WriteDemBulk(dir, area);
    const fs::path original = dir / "map.dcm", copy = dir / "run.dcm";
    WriteDemMap(original);
    const double making =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - made).count();

    // The members inflated once, and read once, for the parts timed alone.
    CKeepingSink kept;
    if (WalkDemSources(bulk.sources, kept, {}).outcome != DemWalkOutcome::kCompleted) std::exit(1);
    const DemPlan jgdPlan = PlanDemRun(bulk.sources, MapDatum::kJgd, {});
    const DemPlan tokyoPlan = PlanDemRun(bulk.sources, MapDatum::kTokyo, {});
    std::vector<DemGrid> grids(kept.members.size());
    for (size_t i = 0; i < kept.members.size(); ++i) {
        std::string failure;
        const Member& m = kept.members[i];
        if (ReadDemFile(m.bytes.data(), m.bytes.size(), m.fileName, grids[i], failure) !=
            DemRead::kDem) {
            std::fprintf(stderr, "%s: %s\n", m.fileName.c_str(), failure.c_str());
            std::exit(1);
        }
    }

    // Most passes take a second or so: the best of three rounds keeps the
    // section near half a minute.
    auto time = [](const std::function<void()>& pass) {
        Timed t;
        t.wall = TimePerPass(pass, 0.2, 3, &t.cpu);
        return t;
    };
    uint64_t floorBytes = 0, walkBytes = 0;
    const Timed floor = time([&] {
        floorBytes = 0;
        for (const DemSource& source : bulk.sources)
            floorBytes += InflateZipMembers(source.path).bytes;
    });
    const Timed walk = time([&] {
        CCountingSink sink;
        WalkDemSources(bulk.sources, sink, {});
        walkBytes = sink.size;
    });
    if (walkBytes != floorBytes || walkBytes != bulk.textBytes) {
        std::fprintf(stderr, "the walk and the floor inflated different members\n");
        std::exit(1);
    }
    const Timed look = time([&] { PlanDemRun(bulk.sources, MapDatum::kJgd, {}); });
    // The first look's walk: each member's first bytes, taken unread.
    uint64_t headBytes = 0;
    const Timed headWalk = time([&] {
        CCountingSink sink;
        DemWalkOptions heads;
        heads.headBytes = kDemHeadBytes;
        WalkDemSources(bulk.sources, sink, heads);
        headBytes = sink.size;
    });
    // The heads as the first look reads them: from each member's first bytes.
    const Timed heads = time([&] {
        for (const Member& m : kept.members) {
            DemHeader header;
            std::string failure;
            const size_t size = std::min(m.bytes.size(), kDemHeadBytes);
            if (ReadDemHead(m.bytes.data(), size, size == m.bytes.size(), m.fileName, header,
                            failure) != DemRead::kDem)
                std::exit(1);
        }
    });
    DemGrid grid;
    const Timed parse = time([&] {
        for (const Member& m : kept.members) {
            std::string failure;
            ReadDemFile(m.bytes.data(), m.bytes.size(), m.fileName, grid, failure);
        }
    });
    std::vector<MeshGrid> squares;
    const Timed resampleTokyo =
        time([&] { Resample(tokyoPlan, grids, MapDatum::kTokyo, squares); });
    const Timed resampleJgd = time([&] { Resample(jgdPlan, grids, MapDatum::kJgd, squares); });
    fs::copy_file(original, copy, fs::copy_options::overwrite_existing);
    const Timed place = time([&] {
        CHeldSquares held(jgdPlan.squares, squares);
        CorrectionOptions options;
        options.pExpectedCodes = &jgdPlan.squares;
        CSilentUi ui;
        if (CorrectMap(copy.string(), held, ui, options).outcome != CorrectionOutcome::kCompleted)
            std::exit(1);
    });
    auto run = [&](MapDatum datum, int threads) {
        fs::copy_file(original, copy, fs::copy_options::overwrite_existing);
        return time([&] { RunOrDie(bulk.sources, copy, datum, threads); });
    };
    const int processors = UsableProcessors();
    const Timed jgd = run(MapDatum::kJgd, 1);
    const Timed tokyo = run(MapDatum::kTokyo, 1);
    const Timed jgdPool = run(MapDatum::kJgd, processors);
    const Timed tokyoPool = run(MapDatum::kTokyo, processors);

    const double mb = bulk.textBytes / 1e6;
    // The run is the first look, then the walk again with each file parsed
    // and resampled and the squares placed.
    const Timed parts = {look.wall + walk.wall + parse.wall + resampleJgd.wall + place.wall,
                         look.cpu + walk.cpu + parse.cpu + resampleJgd.cpu + place.cpu};
    std::printf(
        "Correction from the DEM's zips: %d 10 m files and %d 5 m files, %.0f MB of GML\n"
        "in %.1f MB of zips of zips (made in %.1f s), over a map of 16 tiles; times per\n"
        "pass, and the process's processor time\n"
        "                                                           time  processor\n",
        bulk.files10m, bulk.files5m, mb, bulk.zipBytes / 1e6, making);
    auto line = [&](const char* what, Timed t, const std::string& more) {
        std::printf("  %-52s %7.0f ms %7.0f ms   %s\n", what, t.wall * 1e3, t.cpu * 1e3,
                    more.c_str());
    };
    auto floors = [&](Timed t) {
        char text[80];
        std::snprintf(text, sizeof text, "%.2fx / %.2fx the floor", t.wall / floor.wall,
                      t.cpu / floor.cpu);
        return std::string(text);
    };
    auto rate = [&](Timed t) { return std::to_string(static_cast<int>(mb / t.wall)) + " MB/s"; };
    line("floor: the members inflated (libarchive), summed", floor, rate(floor));
    line("the run (PlanDemRun + CorrectMap), JGD map, 1 thread", jgd,
         rate(jgd) + ", " + floors(jgd));
    line("                                   Tokyo map", tokyo, rate(tokyo) + ", " + floors(tokyo));
    auto speedUp = [&](Timed pool, Timed one) {
        char text[80];
        std::snprintf(text, sizeof text, ", %.2fx as fast as 1 thread", one.wall / pool.wall);
        return floors(pool) + text;
    };
    const std::string pool = "the same, files read on " + std::to_string(processors) +
                             (processors == 1 ? " thread" : " threads") + ", JGD map";
    line(pool.c_str(), jgdPool, speedUp(jgdPool, jgd));
    line("                                   Tokyo map", tokyoPool, speedUp(tokyoPool, tokyo));
    std::printf("  the JGD run's parts, each alone:\n");
    line("  first look (PlanDemRun)", look, floors(look));
    line("    of which heads (ReadDemHead, in memory)", heads, "");
    line("    of which the walk for heads, members unread", headWalk,
         std::to_string(headBytes / 1000) + " kB handed on");
    line("  the walk (WalkDemSources), members unread", walk, floors(walk));
    line("  parsing (ReadDemFile, members in memory)", parse, rate(parse));
    line(("  resampling (CSquareSums), " + std::to_string(jgdPlan.squares.size()) + " squares")
             .c_str(),
         resampleJgd, "");
    line(("    Tokyo map, " + std::to_string(tokyoPlan.squares.size()) + " squares").c_str(),
         resampleTokyo, "");
    line("  placing the squares (CorrectMap, from memory)", place, "");
    char together[80];
    std::snprintf(together, sizeof together, "%.2fx / %.2fx the run", parts.wall / jgd.wall,
                  parts.cpu / jgd.cpu);
    line("  the parts together", parts, together);
    std::printf("\n");
}

void DemMemoryBenchmark(const fs::path& work) {
    const fs::path dir = work / "dem-memory";
    fs::create_directories(dir);
    const DemBulk bulk = WriteDemBulk(dir, DemBulkArea());
    const fs::path map = dir / "map.dcm";
    // The bulk's outer zips, each a member of one more zip: every zip in a
    // zip is then over the share read in memory and goes through a
    // temporary file.
    std::vector<TestZipMember> members;
    std::string sizes;
    for (const DemSource& source : bulk.sources) {
        std::ifstream in(source.path, std::ios::binary);
        members.push_back({fs::path(source.path).filename().string(),
                           std::string(std::istreambuf_iterator<char>(in), {})});
        char size[32];
        std::snprintf(size, sizeof size, "%s%.0f MB", sizes.empty() ? "" : ", ",
                      members.back().bytes.size() / 1e6);
        sizes += size;
    }
    const fs::path wrapped = dir / "wrapped.zip";
    {
        const std::vector<uint8_t> bytes = BuildTestZip(members);
        std::ofstream(wrapped, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    members.clear();
    const fs::path report = dir / "peak.txt";
    auto peak = [&](const std::vector<std::string>& args) {
        WriteDemMap(map);
        fs::remove_all(dir / "mem");
        return PeakMegabytes(report, args);
    };
    std::vector<std::string> outer;
    for (const DemSource& source : bulk.sources) outer.push_back(source.path);
    auto correct = [&](const std::vector<std::string>& sources) {
        std::vector<std::string> args = {ZELVORIN_CORRECT, "--map-datum", "jgd", map.string()};
        args.insert(args.end(), sources.begin(), sources.end());
        return peak(args);
    };
    auto mem = [&](const std::vector<std::string>& sources) {
        std::vector<std::string> args = {ZELVORIN_MEM,  "--map", map.string(),
                                         "--map-datum", "jgd",   (dir / "mem").string()};
        args.insert(args.end(), sources.begin(), sources.end());
        return peak(args);
    };
    const double correctZips = correct(outer), correctWrapped = correct({wrapped.string()});
    const double memZips = mem(outer), memWrapped = mem({wrapped.string()});
    std::printf(
        "Peak memory of a DEM run (%.0f MB of GML in %d files; bound 256 MB)\n"
        "                                zelvorin-correct   zelvorin-mem\n"
        "  the outer zips (baseline)         %6.1f MB       %6.1f MB\n"
        "  the same zipped once more         %6.1f MB       %6.1f MB\n"
        "  (zips of %s in it: those over %.0f MiB go through temporary files)\n\n",
        bulk.textBytes / 1e6, bulk.files10m + bulk.files5m, correctZips, memZips, correctWrapped,
        memWrapped, sizes.c_str(), kDemInnerInMemory / 1048576.0);
}
