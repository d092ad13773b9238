// Speed of the correction, each figure beside a baseline measured in the same
// run: the mesh reader against a plain read and an atoi reader, a whole
// correction against the I/O floor, and the cost per mesh as the tile index
// grows, and a correction from the national DEM's zips. Usage: zelvorin-bench
// [WORK_DIRECTORY [SECTION...]], sections being reader, correction, options,
// memory, index and dem.
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

#include "bench/BenchSupport.h"
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

    CAlignedBuffer buffer(256 * 1024);
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
    // The memory benchmark's go-between: zelvorin-bench --peak-of FILE PROGRAM ARGS...
    if (argc > 3 && std::strcmp(argv[1], "--peak-of") == 0) {
        std::ofstream(argv[2]) << PeakOf(argv + 3) << "\n";
        return 0;
    }
    const fs::path work =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "zelvorin-bench";
    // Sections named after the folder run alone; none named runs them all.
    const std::vector<std::string> only(argv + std::min(argc, 2), argv + argc);
    auto wanted = [&](const char* name) {
        return only.empty() || std::find(only.begin(), only.end(), name) != only.end();
    };
    fs::create_directories(work);
    if (wanted("reader")) ReaderBenchmark(work);
    if (wanted("correction")) CorrectionBenchmark(work);
    if (wanted("options")) OptionsBenchmark(work);
    if (wanted("memory")) MemoryBenchmark(work);
    if (wanted("index")) IndexGrowthBenchmark(work);
    if (wanted("dem")) DemBenchmark(work);
    if (wanted("dem-memory")) DemMemoryBenchmark(work);
    fs::remove_all(work);
    return 0;
}
