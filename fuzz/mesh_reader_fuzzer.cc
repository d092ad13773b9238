// Fuzzes the mesh reader on arbitrary bytes: it must give exactly what the
// reader written from the definition gives, and never touch memory outside
// its grid and buffer (the sanitizers watch that).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "elevation/MeshReader.h"
#include "elevation/TextModeLines.h"
#include "framework/MemoryFile.h"
#include "fuzz/ReferenceMeshReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CMemoryFile file(std::vector<uint8_t>(data, data + size));
    auto grid = std::make_unique<MeshGrid>();
    auto expected = std::make_unique<MeshGrid>();
    // The smallest buffer, so that lines cross reads as often as they can.
    std::vector<char> scratch(CTextModeLines::kMinBuffer);
    const int32_t code = ReadMeshText(file, *grid, scratch.data(), scratch.size());
    const int32_t expectedCode = ReferenceReadMesh(std::string(data, data + size), *expected);
    if (code != expectedCode) std::abort();
    if (std::memcmp(grid->cells, expected->cells, sizeof grid->cells) != 0) std::abort();
    return 0;
}
