// zelvorin-sample: writes a small compressed map and a folder of mesh files
// over it, made up here, so that a correction can be tried without real data.
#include <cmath>
#include <cstdio>
#include <string>

#include "correction/AppendPath.h"
#include "dem/TestZip.h"
#include "elevation/DcmLayout.h"
#include "framework/FileSystem.h"
#include "framework/ProgramMain.h"
#include "samples/SampleDem.h"
#include "samples/SampleMap.h"
#include "samples/SampleMesh.h"

namespace {

std::string Join(std::string dir, const std::string& name) {
    AppendPath(dir, name);
    return dir;
}

// Makes the folder at path, and the folders it lies in, unless they are
// there; false, with a message, when it cannot.
bool MakeFolderAt(const std::string& path) {
    if (KindOfPath(path) == PathKind::kFolder) return true;
    const std::string place = PlaceOfPath(path);
    const std::string parent = FolderOfPlace(place);
    if (parent != place && !MakeFolderAt(parent)) return false;
    std::string why;
    if (MakeFolder(path, why)) return true;
    std::fprintf(stderr, "zelvorin-sample: cannot make the folder %s: %s\n", path.c_str(),
                 why.c_str());
    return false;
}

// Writes the file at path, replacing one that is there; false, with a
// message, when it cannot.
bool WriteFile(const std::string& path, const void* data, size_t size) {
    FILE* out = OpenCFile(path, "wb");
    bool written = out != nullptr && std::fwrite(data, 1, size, out) == size;
    if (out != nullptr) written = std::fclose(out) == 0 && written;
    if (!written) std::fprintf(stderr, "zelvorin-sample: cannot write %s\n", path.c_str());
    return written;
}

}  // namespace

int ProgramMain(int argc, char** argv) {
    if (argc != 2) {
        std::fputs(
            "Usage: zelvorin-sample DIRECTORY\n"
            "Writes DIRECTORY/sample.dcm (4 x 4 tiles from 35 N 139 E, an older and\n"
            "coarser survey of the same hills, in 20 m steps)\n"
            "and DIRECTORY/mesh/*.mem (six mesh squares over it),\n"
            "and DIRECTORY/dem/sample-dem.zip (today's 10 m DEM of two other squares,\n"
            "a zip of zips as the survey's download service delivers them).\n",
            stderr);
        return 2;
    }
    const std::string dir = argv[1];
    const std::string meshDir = Join(dir, "mesh");
    const std::string demDir = Join(dir, "dem");
    if (!MakeFolderAt(dir) || !MakeFolderAt(meshDir) || !MakeFolderAt(demDir)) return 1;

    SampleMapLayout layout;
    for (int ty = 0; ty < 4; ++ty)
        for (int tx = 0; tx < 4; ++tx) layout.tiles.push_back({tx, ty});
    // The map holds an older survey: the same hills in 20 m steps, 15 m low,
    // so that a correction shows in a picture of the map.
    const auto map = BuildSampleMap(layout, [&](size_t t, int cell) {
        const int x = layout.tiles[t].tx * kTileSide + cell % kTileSide;
        const int y = layout.tiles[t].ty * kTileSide + cell / kTileSide;
        const double metres = SampleTerrain(35 + y / 2400.0, 139 + x / 1600.0) / 10.0;
        return static_cast<int16_t>(std::lround(metres / 20) * 20 - 15 + 1);
    });
    const std::string mapPath = Join(dir, "sample.dcm");
    if (!WriteFile(mapPath, map.data(), map.size())) return 1;

    const int codes[] = {523941, 523942, 523953, 523954, 533901, 533915};
    for (int code : codes) {
        const SquareDegrees corner = SouthWestOf(code);
        const double south = corner.south, west = corner.west;
        // The northern tenth of each square is left out, as sea rows are.
        std::vector<int> records;
        for (int r = 21; r <= 200; ++r) records.push_back(r);
        const std::string text = BuildMeshText(code, records, [&](int record, int j) {
            return SampleTerrain(south + (200 - record) * 1.5 / 3600, west + j * 2.25 / 3600);
        });
        if (!WriteFile(Join(meshDir, std::to_string(code) + ".mem"), text.data(), text.size()))
            return 1;
    }

    // Each DEM file in a zip of its own, and those in one zip.
    std::vector<TestZipMember> zips;
    for (int code : {523943, 523944}) {
        const std::string name = SampleDemName(code);
        zips.push_back(
            {name + ".zip", AsText(BuildTestZip({{name + ".xml", SampleDemOfSquare(code)}}))});
    }
    const std::vector<uint8_t> zip = BuildTestZip(zips);
    if (!WriteFile(Join(demDir, "sample-dem.zip"), zip.data(), zip.size())) return 1;
    std::printf("wrote %s, %zu mesh files and a zip of 2 DEM files\n", mapPath.c_str(),
                std::size(codes));
    return 0;
}
