// Speed of the correction, each figure beside a baseline measured in the same
// run: the mesh reader against a plain read and an atoi reader, a whole
// correction against the I/O floor, and the cost per mesh as the tile index
// grows. Usage: zelvorin-bench [WORK_DIRECTORY]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "correction/CorrectMap.h"
#include "correction/CorrectionUi.h"
#include "correction/MeshFileSource.h"
#include "elevation/MeshPatch.h"
#include "elevation/MeshReader.h"
#include "elevation/TileIndex.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "samples/SampleMap.h"
#include "samples/SampleMesh.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Seconds per pass: the best of five rounds of at least `minimum` seconds
// each, so that a busy neighbour on a shared machine spoils few figures.
double TimePerPass(const std::function<void()>& pass, double minimum = 0.2) {
    pass();  // warm the page cache and the allocator
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        int passes = 0;
        const auto start = Clock::now();
        double elapsed = 0;
        do {
            pass();
            ++passes;
            elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        } while (elapsed < minimum);
        best = std::min(best, elapsed / passes);
    }
    return best;
}

// Terrain-like tenths with sea (-9999), small depths and high ground.
int Tenths(int code, int record, int j) {
    const int v = static_cast<int>(std::lround(5000 + 4000 * std::sin((record + code % 97) * 0.05) *
                                                          std::cos((j + code % 89) * 0.04)));
    if (j < 3) return -9999;
    return v - 1200;
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> MakeMeshFiles(const fs::path& dir, const std::vector<int32_t>& codes) {
    fs::create_directories(dir);
    std::vector<std::string> paths;
    for (int32_t code : codes) {
        const fs::path path = dir / (std::to_string(code) + ".mem");
        WriteText(path, BuildMeshText(code, AllMeshRecords(),
                                      [&](int r, int j) { return Tenths(code, r, j); }));
        paths.push_back(path.string());
    }
    return paths;
}

// The reader the file's description suggests: stdio lines, each field
// copied out and converted with atoi.
int32_t AtoiReadMesh(const std::string& path, MeshGrid& grid) {
    FILE* f = std::fopen(path.c_str(), "r");
    if (f == nullptr) return -1;
    for (int16_t& cell : grid.cells) cell = kNoElevation;
    char line[2048];
    if (std::fgets(line, sizeof line, f) == nullptr) {
        std::fclose(f);
        return -1;
    }
    line[6] = '\0';
    const int32_t code = std::atoi(line);
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strlen(line) < 1009) continue;
        const int record = 100 * (line[6] - '0') + 10 * (line[7] - '0') + (line[8] - '0');
        if (record < 1 || record > 200) continue;
        for (int j = 0; j < 200; ++j) {
            char field[6];
            std::memcpy(field, line + 9 + 5 * j, 5);
            field[5] = '\0';
            grid.cells[(200 - record) * 200 + j] =
                static_cast<int16_t>((std::atoi(field) + 5) / 10);
        }
    }
    std::fclose(f);
    return code;
}

uint64_t PlainRead(const std::string& path, std::vector<char>& buffer) {
    auto file = OpenFile(path, FileAccess::kReadShared);
    uint64_t total = 0;
    for (uint32_t n; (n = file->Read(buffer.data(), static_cast<uint32_t>(buffer.size()))) > 0;)
        total += n;
    return total;
}

class CSilentUi final : public ICorrectionUi {
  public:
    void ShowMessage(const std::string&, MessageKind) override {}
    void ShowError(const CException& e) override { std::fprintf(stderr, "error: %s\n", e.what()); }
    void OpenProgress() override {}
    void SetFileName(const std::string&) override {}
    void SetPos(int) override {}
    void Pump() override {}
    bool AbortRequested() const override { return false; }
    void CloseProgress() override {}
};

void ReaderBenchmark(const fs::path& work) {
    std::vector<int32_t> codes;
    for (int i = 0; i < 100; ++i) codes.push_back(533900 + (i / 8) % 8 * 10 + i % 8);
    const auto paths = MakeMeshFiles(work / "reader", codes);
    uint64_t bytes = 0;
    for (const auto& p : paths) bytes += fs::file_size(p);

    auto grid = std::make_unique<MeshGrid>();
    auto check = std::make_unique<MeshGrid>();
    for (const auto& p : paths) {
        if (ReadMemFile(p, *grid) != AtoiReadMesh(p, *check) ||
            std::memcmp(grid->cells, check->cells, sizeof grid->cells) != 0) {
            std::fprintf(stderr, "reader results differ on %s\n", p.c_str());
            std::exit(1);
        }
    }

    std::vector<char> buffer(256 * 1024);
    const double plain = TimePerPass([&] {
        for (const auto& p : paths) PlainRead(p, buffer);
    });
    const double atoi = TimePerPass([&] {
        for (const auto& p : paths) AtoiReadMesh(p, *grid);
    });
    const double ours = TimePerPass([&] {
        for (const auto& p : paths) ReadMemFile(p, *grid);
    });
    const double mb = bytes / 1e6;
    std::printf("Mesh reader: %zu files, %.1f MB, from the page cache\n", paths.size(), mb);
    std::printf("  plain read of the bytes (floor)   %8.0f MB/s\n", mb / plain);
    std::printf("  fgets + atoi reader (baseline)    %8.0f MB/s\n", mb / atoi);
    std::printf(
        "  ReadMemFile                       %8.0f MB/s   %.1fx the atoi reader, %.0f%% of the "
        "floor\n\n",
        mb / ours, atoi / ours, 100 * plain / ours);
}

// A map whose tiles form a grid of columns x rows from tile (0, 0), with its
// origin at the south-west corner of mesh square 533900.
void WriteGridMap(const fs::path& path, int columns, int rows) {
    SampleMapLayout layout;
    layout.originLat = 128400;  // 35 40'
    layout.originLon = 500400;  // 139
    for (int ty = 0; ty < rows; ++ty)
        for (int tx = 0; tx < columns; ++tx) layout.tiles.push_back({tx, ty});
    const auto map = BuildSampleMap(
        layout, [](size_t t, int cell) { return static_cast<int16_t>((t + cell) % 3000); });
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(map.data()), static_cast<std::streamsize>(map.size()));
}

void CorrectionBenchmark(const fs::path& work) {
    // 500 meshes: 25 columns (mesh codes 5339u0..7 over u = 00..03) by 20
    // rows (p = 53.. with q = 0..7), all inside a map of 50 x 40 tiles.
    std::vector<int32_t> codes;
    for (int row = 0; row < 20; ++row)
        for (int col = 0; col < 25; ++col)
            codes.push_back((53 + row / 8) * 10000 + (39 + col / 8) * 100 + (row % 8) * 10 +
                            col % 8);
    const fs::path meshDir = work / "meshes";
    const auto paths = MakeMeshFiles(meshDir, codes);
    const fs::path mapPath = work / "grid.dcm";
    WriteGridMap(mapPath, 50, 40);

    // The blocks a correction reads and writes, found as the run finds them.
    auto probe = OpenFile(mapPath.string(), FileAccess::kReadShared);
    DCMHEADER header;
    CTileIndex index;
    LoadTileIndex(*probe, header, index);
    probe.reset();
    std::vector<int32_t> blocks;
    for (int32_t code : codes) {
        const auto corner = PlaceMesh(code, header);
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                if (auto key = TileKey(corner->x / kTileSide + dx, corner->y / kTileSide + dy))
                    if (const DCMTILEENTRY* e = index.Find(*key)) blocks.push_back(e->lBlockOffset);
    }

    std::vector<char> buffer(256 * 1024);
    auto tile = std::make_unique<uint8_t[]>(kTileBlockSize);
    const double floor = TimePerPass([&] {
        auto map = OpenFile(mapPath.string(), FileAccess::kReadWriteExclusive);
        for (const auto& p : paths) PlainRead(p, buffer);
        for (int32_t offset : blocks) {
            map->Seek(offset);
            map->Read(tile.get(), kTileBlockSize);
            map->Seek(offset);
            map->Write(tile.get(), kTileBlockSize);
        }
        map->Close();
    });
    CSilentUi ui;
    const double run = TimePerPass([&] {
        CFolderMeshFiles meshes(meshDir.string());
        if (CorrectMap(mapPath.string(), meshes, ui).applied != static_cast<int>(paths.size()))
            std::exit(1);
    });
    auto grid = std::make_unique<MeshGrid>();
    const double atoi = TimePerPass([&] {
        auto map = OpenFile(mapPath.string(), FileAccess::kReadWriteExclusive);
        DCMHEADER h;
        CTileIndex i;
        LoadTileIndex(*map, h, i);
        for (const auto& p : paths) {
            const int32_t code = AtoiReadMesh(p, *grid);
            PatchGridIntoMap(*map, h, i, code, *grid, tile.get());
        }
        map->Close();
    });
    std::printf("Whole correction: %zu meshes over a map of %zu tiles (%.0f MB), %zu tile writes\n",
                paths.size(), index.Entries().size(), fs::file_size(mapPath) / 1e6, blocks.size());
    std::printf("  I/O floor: mesh bytes read, blocks read and written  %7.1f ms\n", floor * 1e3);
    std::printf(
        "  the same with the fgets + atoi reader                %7.1f ms   %.1fx the floor\n",
        atoi * 1e3, atoi / floor);
    std::printf(
        "  CorrectMap                                           %7.1f ms   %.1fx the floor\n\n",
        run * 1e3, run / floor);
}

void IndexGrowthBenchmark(const fs::path& work) {
    const int32_t code = 533945;  // its tiles are (3, 5), (4, 5), (3, 6), (4, 6) from 35 N 139 E
    const auto meshPath = MakeMeshFiles(work / "one", {code})[0];
    auto grid = std::make_unique<MeshGrid>();
    ReadMemFile(meshPath, *grid);
    auto tile = std::make_unique<uint8_t[]>(kTileBlockSize);

    std::printf(
        "Cost per mesh as the index grows (the mesh's tiles listed last, a duplicate of the\n"
        "first one after them)\n");
    double base = 0;
    for (int entries : {100, 1000, 10000, 100000}) {
        // Filler keys of tiles far north, all pointing at one spare block.
        SampleMapLayout layout;
        for (int i = 0; i < entries - 5; ++i) layout.tiles.push_back({i % 9000, 1000 + i / 9000});
        for (auto t : {SampleMapLayout::Tile{3, 5}, {4, 5}, {3, 6}, {4, 6}, {3, 5}})
            layout.tiles.push_back(t);
        SampleMapLayout small = layout;
        small.tiles.assign(layout.tiles.end() - 5, layout.tiles.end());
        // Build the five real blocks, then point the filler at the last one.
        std::vector<uint8_t> bytes = BuildSampleMap(small, [](size_t, int) { return int16_t{7}; });
        const uint32_t indexEnd = SampleIndexOffset() + entries * kDcmTileEntrySize;
        const uint32_t shift = indexEnd > SampleBlockOffset(0)
                                   ? (indexEnd - SampleBlockOffset(0) + 4095) / 4096 * 4096
                                   : 0;
        std::vector<uint8_t> map(bytes.size() + shift);
        std::memcpy(map.data(), bytes.data(), kDcmHeaderSize);
        std::memcpy(map.data() + SampleBlockOffset(0) + shift, bytes.data() + SampleBlockOffset(0),
                    bytes.size() - SampleBlockOffset(0));
        StoreLE32(map.data() + 6, entries);
        for (int i = 0; i < entries; ++i) {
            uint8_t* e = map.data() + SampleIndexOffset() + i * kDcmTileEntrySize;
            const size_t real = i >= entries - 5 ? static_cast<size_t>(i - (entries - 5)) : 4;
            StoreLE32(e, *TileKey(layout.tiles[i].tx, layout.tiles[i].ty));
            StoreLE32(e + 4, static_cast<int32_t>(SampleBlockOffset(real) + shift));
        }
        const fs::path path = work / ("index" + std::to_string(entries) + ".dcm");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(map.data()),
                   static_cast<std::streamsize>(map.size()));

        auto file = OpenFile(path.string(), FileAccess::kReadWriteExclusive);
        DCMHEADER header;
        CTileIndex index;
        LoadTileIndex(*file, header, index);
        const double perMesh =
            TimePerPass([&] { PatchGridIntoMap(*file, header, index, code, *grid, tile.get()); });
        if (base == 0) base = perMesh;
        // What looking up the four keys by scanning the index from its start
        // would add to each mesh.
        const int32_t keys[] = {50400, 50500, 60400, 60500};
        volatile int32_t found = 0;
        const double scan = TimePerPass([&] {
            for (int32_t key : keys) {
                for (const DCMTILEENTRY& e : index.Entries()) {
                    if (e.lKey == key) {
                        found = found + e.lBlockOffset;
                        break;
                    }
                }
            }
        });

        // The first entry of the duplicated key got the mesh; its duplicate did not.
        std::vector<uint8_t> now(kTileBlockSize);
        file->Seek(SampleBlockOffset(0) + shift);
        file->Read(now.data(), kTileBlockSize);
        const bool firstWritten = now[2 * 40] != 7;
        file->Seek(SampleBlockOffset(4) + shift);
        file->Read(now.data(), kTileBlockSize);
        const bool duplicateKept = now[2 * 40] == 7;
        file->Close();
        std::printf(
            "  %6d entries  %7.1f us per mesh   %.2fx the 100-entry cost   scans would add %7.1f "
            "us   "
            "first of duplicate wins: %s\n",
            entries, perMesh * 1e6, perMesh / base, scan * 1e6,
            firstWritten && duplicateKept ? "yes" : "NO");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path work =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "zelvorin-bench";
    fs::create_directories(work);
    ReaderBenchmark(work);
    CorrectionBenchmark(work);
    IndexGrowthBenchmark(work);
    fs::remove_all(work);
    return 0;
}
