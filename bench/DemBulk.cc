#include "bench/DemBulk.h"

#include <archive.h>
#include <archive_entry.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "dem/DemMesh.h"
#include "dem/DemSample.h"
#include "dem/MeshSquare.h"
#include "dem/TestZip.h"

namespace {

constexpr int64_t kCellMas = 200;  // a 5 m cell's side

// A well-mixed 32-bit number for a pair of coordinates.
uint32_t Mix(int64_t x, int64_t y) {
    uint64_t h = static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15ull ^
                 static_cast<uint64_t>(y) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return static_cast<uint32_t>(h >> 32);
}

// The file's text, its cells taken from the terrain: column c, row r (row 0
// northernmost) of a file of cellSide 5 m cells a side.
std::string FileText(const CBulkTerrain& terrain, DemProduct product, const std::string& mesh,
                     int64_t cellSide) {
    DemSample sample = DemSampleOf(product);
    sample.mesh = mesh;
    DemHeader extent;
    std::string failure;
    if (!DemMeshExtent(mesh, extent, failure)) std::abort();
    const int64_t x0 = extent.westMas / kCellMas - 100 * 3600 * 5;
    const int64_t y0 = extent.southMas / kCellMas;
    const int32_t rows = sample.rows;
    sample.tuple = [&](int32_t column, int32_t row) {
        return terrain.Tuple(x0 + cellSide * column, y0 + cellSide * (rows - 1 - row));
    };
    return BuildDemGml(sample);
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

[[noreturn]] void Die(archive* zip, const char* what) {
    std::fprintf(stderr, "%s: %s\n", what, archive_error_string(zip));
    std::exit(1);
}

void InflateMembers(archive* zip, InflatedMembers& found, std::vector<uint8_t>& buffer) {
    archive_entry* entry = nullptr;
    int status;
    while ((status = archive_read_next_header(zip, &entry)) == ARCHIVE_OK) {
        const std::string name = archive_entry_pathname(entry);
        const bool bZip = name.size() > 4 && name.compare(name.size() - 4, 4, ".zip") == 0;
        if (bZip) {
            std::vector<uint8_t> inner;
            la_ssize_t got;
            while ((got = archive_read_data(zip, buffer.data(), buffer.size())) > 0)
                inner.insert(inner.end(), buffer.data(), buffer.data() + got);
            if (got < 0) Die(zip, "inner zip");
            archive* innerZip = archive_read_new();
            archive_read_support_format_zip(innerZip);
            if (archive_read_open_memory(innerZip, inner.data(), inner.size()) != ARCHIVE_OK)
                Die(innerZip, "inner zip");
            InflateMembers(innerZip, found, buffer);
            archive_read_free(innerZip);
            continue;
        }
        ++found.members;
        la_ssize_t got;
        while ((got = archive_read_data(zip, buffer.data(), buffer.size())) > 0) {
            uint64_t sum = 0;
            for (la_ssize_t i = 0; i < got; ++i) sum += buffer[static_cast<size_t>(i)];
            found.sum += sum;
            found.bytes += static_cast<uint64_t>(got);
        }
        if (got < 0) Die(zip, "member");
    }
    if (status != ARCHIVE_EOF) Die(zip, "zip");
}

}  // namespace

CBulkTerrain::CBulkTerrain(const DemBulkArea& area) {
    const auto corner = SquareCornerOf(area.southWestSquare);
    if (!corner) std::abort();
    m_x0 = corner->westMas / kCellMas - 100 * 3600 * 5;
    m_y0 = corner->southMas / kCellMas;
    const int64_t widthCells = area.squaresSide * kSquareWidthMas / kCellMas;
    const int64_t heightCells = area.squaresSide * kSquareHeightMas / kCellMas;
    m_width = static_cast<double>(widthCells);
    m_height = static_cast<double>(heightCells);
}

CBulkTerrain::Kind CBulkTerrain::KindAt(int64_t x, int64_t y) const {
    // Patches of 16 x 16 cells without data, one in about 60.
    if (Mix(x >> 4, y >> 4) % 60 == 0) return Kind::kNoData;
    const double east = (x - m_x0) / m_width, north = (y - m_y0) / m_height;
    const double coast = 0.55 + 0.05 * std::sin(north * 37.0) + 0.03 * std::sin(north * 91.0);
    return east - north > coast ? Kind::kSea : Kind::kGround;
}

int32_t CBulkTerrain::Centimetres(int64_t x, int64_t y) const {
    return KindAt(x, y) == Kind::kGround ? Ground(x, y) : kDemNoData;
}

int32_t CBulkTerrain::Ground(int64_t x, int64_t y) const {
    const double east = (x - m_x0) / m_width, north = (y - m_y0) / m_height;
    // From the coast (0) inland to the north-west corner (1.55).
    const double inland = 0.55 - (east - north);
    const double u = x / 900.0, v = y / 900.0;  // a unit of 3'
    const double metres = 1100.0 * inland * (0.75 + 0.25 * std::sin(u * 2.1) * std::cos(v * 1.7)) +
                          60.0 * std::sin(u * 9.0 + v * 6.0) + 8.0 * std::sin(u * 41.0 - v * 29.0);
    return static_cast<int32_t>(std::lround(metres * 100)) + static_cast<int32_t>(Mix(x, y) % 41) -
           20;
}

std::string CBulkTerrain::Tuple(int64_t x, int64_t y) const {
    switch (KindAt(x, y)) {
        case Kind::kSea:
            return u8"海水面,-9999.";
        case Kind::kNoData:
            return DemTupleText(kDemNoData);
        default:
            return DemTupleText(Ground(x, y));
    }
}

DemBulk WriteDemBulk(const std::filesystem::path& dir, const DemBulkArea& area) {
    const CBulkTerrain terrain(area);
    DemBulk bulk;
    const int32_t south = area.southWestSquare / 10 % 10, west = area.southWestSquare % 10;
    const int32_t first = area.southWestSquare / 100;
    // One file in a zip of its own; the zips in an outer one.
    auto pack = [&](const std::string& mesh, const char* product, const std::string& text,
                    std::vector<TestZipMember>& outer) {
        const std::string stem = "FG-GML-" + mesh + "-" + product;
        const auto inner = BuildTestZip({{stem + "-20161001.xml", text}});
        outer.push_back({stem + ".zip", AsText(inner)});
        bulk.textBytes += text.size();
    };
    auto write = [&](const char* name, const std::vector<TestZipMember>& outer) {
        const std::filesystem::path path = dir / name;
        const auto bytes = BuildTestZip(outer);
        WriteBytes(path, bytes);
        bulk.zipBytes += bytes.size();
        bulk.sources.push_back({path.string(), true});
    };

    std::vector<TestZipMember> coarse;
    for (int a = south; a < south + area.squaresSide; ++a)
        for (int b = west; b < west + area.squaresSide; ++b) {
            const std::string mesh = std::to_string(first * 100 + a * 10 + b);
            pack(mesh, "DEM10B", FileText(terrain, DemProduct::k10B, mesh, 2), coarse);
            ++bulk.files10m;
        }
    write("dem10b.zip", coarse);
    if (area.fineSide > 0) {
        std::vector<TestZipMember> fine;
        for (int c = 0; c < area.fineSide; ++c)
            for (int d = 0; d < area.fineSide; ++d) {
                const std::string mesh = std::to_string(area.southWestSquare * 100 + c * 10 + d);
                pack(mesh, "DEM5A", FileText(terrain, DemProduct::k5A, mesh, 1), fine);
                ++bulk.files5m;
            }
        write("dem5a.zip", fine);
    }
    return bulk;
}

InflatedMembers InflateZipMembers(const std::string& path) {
    InflatedMembers found;
    std::vector<uint8_t> buffer(64 * 1024);
    archive* zip = archive_read_new();
    archive_read_support_format_zip(zip);
    if (archive_read_open_filename(zip, path.c_str(), buffer.size()) != ARCHIVE_OK)
        Die(zip, path.c_str());
    InflateMembers(zip, found, buffer);
    archive_read_free(zip);
    return found;
}
