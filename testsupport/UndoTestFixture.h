#pragma once

// The map, mesh files and helpers that the undo file's tests share.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "correction/CorrectMap.h"
#include "correction/CorrectionUi.h"
#include "correction/MeshFileSource.h"
#include "elevation/DcmLayout.h"
#include "framework/File.h"
#include "framework/MemoryFile.h"
#include "samples/SampleMap.h"
#include "samples/SampleMesh.h"
#include "testsupport/QuietUi.h"
#include "testsupport/TestFolder.h"
#include "undo/UndoFile.h"

inline std::vector<uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
inline void WriteAll(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Restores map (in memory) from the undo file's bytes.
inline RestoreResult RestoreBytes(const std::vector<uint8_t>& undo, std::vector<uint8_t>& map,
                                  const RestoreOptions& options = {}) {
    CMemoryFile undoFile(undo, "run.undo"), mapFile(map, "map.dcm");
    const RestoreResult result = RestoreOpenMap(undoFile, mapFile, options);
    map = mapFile.Bytes();
    return result;
}

// A map of 8 x 4 tiles at the sample origin, its blocks off the disk's
// sectors, and a mesh file over each of the 8 x 4 mesh squares there, with
// values the map does not hold.
class UndoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SampleMapLayout layout;
        for (int ty = 0; ty < 4; ++ty)
            for (int tx = 0; tx < 8; ++tx) layout.tiles.push_back({tx, ty});
        m_original = BuildSampleMap(layout, [](size_t t, int cell) {
            return static_cast<int16_t>((t * 31 + cell) % 2000);
        });
        ShiftSampleBlocks(m_original, kShift);
        WriteAll(Map(), m_original);
        std::filesystem::create_directories(m_dir / "mesh");
        for (int q = 4; q < 8; ++q)
            for (int v = 0; v < 8; ++v) {
                const int code = 523900 + q * 10 + v;
                std::ofstream(m_dir / "mesh" / (std::to_string(code) + ".mem"), std::ios::binary)
                    << BuildMeshText(code, AllMeshRecords(),
                                     [=](int r, int j) { return (r * 7 + j * q + v) * 10; });
            }
    }

    // Where tile t's block starts.
    static uint32_t Block(size_t t) { return SampleBlockOffset(t) + kShift; }
    std::filesystem::path Map() const { return m_dir / "map.dcm"; }
    std::filesystem::path Undo() const { return m_dir / "run.undo"; }

    // Lists tile (1, 0) half way into the block of tile (0, 0).
    void OverlapFirstTwoBlocks() {
        StoreLE32(m_original.data() + SampleIndexOffset() + 16 + 4,
                  static_cast<int32_t>(Block(0) + kTileBlockSize / 2));
        WriteAll(Map(), m_original);
    }

    // A correction with an undo file, through the shared run; the map is
    // opened as given, or from disk when map is null.
    void CorrectWithUndo(size_t cachedTiles = CTileWriter::kDefaultCapacity, CFile* map = nullptr) {
        auto file = OpenFile(Undo().string(), FileAccess::kCreateNew);
        CUndoJournal journal(*file);
        CorrectionOptions options;
        options.pJournal = &journal;
        options.nCachedTiles = cachedTiles;
        CFolderMeshFiles meshes((m_dir / "mesh").string());
        CQuietUi ui;
        const CorrectionResult result = map != nullptr
                                            ? CorrectOpenMap(*map, meshes, ui, options)
                                            : CorrectMap(Map().string(), meshes, ui, options);
        ASSERT_EQ(result.outcome, CorrectionOutcome::kCompleted);
    }

    static constexpr uint32_t kShift = 300;
    CTestFolder m_folder;
    const std::filesystem::path& m_dir = m_folder.Path();
    std::vector<uint8_t> m_original;
};
