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
#include "elevation/RecordParser.h"
#include "elevation/TextModeLines.h"
#include "elevation/VectorPath.h"
#include "framework/MemoryFile.h"
#include "fuzz/ReferenceMeshReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto grid = std::make_unique<MeshGrid>();
    auto expected = std::make_unique<MeshGrid>();
    const int32_t expectedCode = ReferenceReadMesh(std::string(data, data + size), *expected);
    // Every conversion path the processor can take, as another machine's
    // dispatch would choose it.
    for (VectorPath path : SupportedVectorPaths()) {
        UseVectorPath(path);
        CMemoryFile file(std::vector<uint8_t>(data, data + size));
        // The smallest buffer, so that lines cross reads as often as they can.
        std::vector<char> scratch(CTextModeLines::kMinBuffer);
        const int32_t code = ReadMeshText(file, *grid, scratch.data(), scratch.size());
        if (code != expectedCode) std::abort();
        if (std::memcmp(grid->cells, expected->cells, sizeof grid->cells) != 0) std::abort();
    }
    return 0;
}
