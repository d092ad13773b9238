// Writes the starting corpus of the harnesses: small, well-formed inputs
// that reach every part of the code, for the fuzzer to mutate from.
// Usage: zelvorin-fuzz-seeds CORPUS_DIRECTORY
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dem/DemSample.h"
#include "dem/TestZip.h"
#include "elevation/DcmLayout.h"
#include "fuzz/UndoRun.h"
#include "samples/SampleMap.h"
#include "samples/SampleMesh.h"
#include "undo/UndoFormat.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A DEM-like member: a little GML, enough for deflate to have work.
std::string DemText(int code) {
    std::string text = "<?xml version=\"1.0\"?>\n<Dataset><DEM><mesh>" + std::to_string(code) +
                       "</mesh><tupleList>\n";
    for (int i = 0; i < 40; ++i) text += "ground," + std::to_string(i * 7 % 300) + ".25\n";
    return text + "</tupleList></DEM></Dataset>\n";
}

int Wavy(int record, int j) { return (record * 37 + j * 11) % 20000 - 3000; }

// A map input: padding units, prefix length, header and index of a sample
// map whose blocks lie in the padding, then a mesh file.
std::string MapInput(const std::vector<SampleMapLayout::Tile>& tiles, const std::string& mesh) {
    SampleMapLayout layout;
    layout.tiles = tiles;
    const auto map = BuildSampleMap(layout, [](size_t, int) { return int16_t{0}; });
    const size_t prefix = SampleIndexOffset() + tiles.size() * kDcmTileEntrySize;
    const size_t units = (map.size() - prefix + 65535) / 65536;
    std::string input;
    input += static_cast<char>(units);
    input += static_cast<char>(prefix & 0xFF);
    input += static_cast<char>(prefix >> 8);
    input.append(reinterpret_cast<const char*>(map.data()), prefix);
    return input + mesh;
}

// A 5 m sample of 6 by 4 cells.
DemSample SmallDem() {
    DemSample sample = DemSampleOf(DemProduct::k5A);
    sample.columns = 6;
    sample.rows = 4;
    return sample;
}

void WriteDemSeeds(const fs::path& dir) {
    DemSample sample = SmallDem();
    Write(dir / "whole", BuildDemGml(sample));
    sample.startColumn = 4;
    sample.startRow = 1;
    sample.tuples = 9;
    sample.bRuleFirst = true;
    sample.bBom = true;
    sample.bDoubledSpaces = true;
    Write(dir / "rule_first_short", BuildDemGml(sample));
    sample = SmallDem();
    sample.bCrLf = false;
    sample.tuple = [](int32_t column, int32_t row) {
        if (row == 1 && column == 2) return std::string("a&#44;1.5<!-- -->0");
        if (row == 2 && column == 0) return std::string("<![CDATA[b,-0.07]]>");
        return DemTupleText(DemSampleHeight(column, row));
    };
    Write(dir / "decoded_tuples", BuildDemGml(sample));
    // A 10 m grid with a few tuples at its end.
    sample = DemSampleOf(DemProduct::k10B);
    sample.startColumn = 1121;
    sample.startRow = 749;
    Write(dir / "dem10_end", BuildDemGml(sample));
    sample = SmallDem();
    sample.type = u8"2mメッシュ（標高）";
    Write(dir / "unknown_type", BuildDemGml(sample));
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path dir = argc > 1 ? argv[1] : "corpus";
    Write(dir / "mesh_reader" / "three_records", BuildMeshText(533945, {1, 100, 200}, Wavy));
    Write(dir / "mesh_reader" / "header_only", BuildMeshText(543976, {}, Wavy));
    Write(dir / "mesh_reader" / "odd_lines",
          "533945\n533945001" + std::string(1000, '9') + "\r\r\n\x1A" + "rest");

    const std::string small = BuildMeshText(533945, {1, 2, 199, 200}, Wavy);
    Write(dir / "map_update" / "one_tile", MapInput({{3, 5}}, small));
    Write(dir / "map_update" / "four_tiles", MapInput({{3, 11}, {4, 11}, {3, 12}, {4, 12}},
                                                      BuildMeshText(543976, {1, 160, 200}, Wavy)));
    Write(dir / "map_update" / "duplicate_key", MapInput({{3, 5}, {3, 5}}, small));

    WriteDemSeeds(dir / "gml_dem");

    // A flags byte, then an undo file of the small run (see the harness).
    for (bool overlap : {false, true}) {
        const UndoRun run = MakeUndoRun(overlap);
        const std::string undo(run.undo.begin(), run.undo.end());
        const char flags = overlap ? 1 : 0;
        if (!overlap) {
            Write(dir / "undo_restore" / "whole", flags + undo);
            Write(dir / "undo_restore" / "changed_since", static_cast<char>(flags | 4) + undo);
            Write(dir / "undo_restore" / "cut", flags + undo.substr(0, undo.size() - 17));
            const std::vector<uint8_t> head = EncodeUndoHead();
            Write(dir / "undo_restore" / "head_only",
                  flags + std::string(head.begin(), head.end()));
        } else {
            // Stopped after one block, then restored again.
            Write(dir / "undo_restore" / "overlap_stopped",
                  static_cast<char>(flags | 16 | 32) + undo);
        }
    }

    // Zips of DEM files: flat, nested three levels with folders and other
    // members, names flagged as UTF-8, and four levels deep.
    const auto level3 = BuildTestZip({{"FG-GML-5339-45-DEM5A.xml", DemText(533945)}});
    const auto level2 = BuildTestZip({{"dir/", "", true},
                                      {"dir/FG-GML-5339-46-DEM5A.xml", DemText(533946)},
                                      {"in.zip", AsText(level3)}});
    Write(dir / "dem_zip" / "flat",
          AsText(BuildTestZip({{"a.xml", DemText(533945)}, {"readme.txt", "read me"}})));
    Write(
        dir / "dem_zip" / "nested",
        AsText(BuildTestZip({{"PackDLMap.zip", AsText(level2)}, {"FG-GML-5339-map.gml", "<x/>"}})));
    Write(
        dir / "dem_zip" / "utf8_names",
        AsText(BuildTestZip(
            {{"\xe3\x83\x86.xml", DemText(533947)}, {"\xe3\x83\x86.zip", AsText(level3)}}, true)));
    Write(dir / "dem_zip" / "four_levels",
          AsText(BuildTestZip({{"z.zip", AsText(BuildTestZip({{"z.zip", AsText(level2)}}))}})));
    return 0;
}
