// Fuzzes the national DEM's reader on arbitrary bytes: reading the tuples
// straight from the bytes must give exactly what reading them through the
// XML parser gives, and a header read must agree with a whole read that
// succeeds; the sanitizers watch memory.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dem/GmlDem.h"

namespace {

bool SameHeader(const DemHeader& a, const DemHeader& b) {
    return a.meshCode == b.meshCode && a.product == b.product && a.southMas == b.southMas &&
           a.westMas == b.westMas && a.northMas == b.northMas && a.eastMas == b.eastMas &&
           a.columns == b.columns && a.rows == b.rows && a.startColumn == b.startColumn &&
           a.startRow == b.startRow;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The name tells the two 5 m landform products apart: let the input pick.
    const std::string name = size > 0 && (data[size - 1] & 1) != 0 ? "FG-GML-DEM5C.xml" : "a.xml";
    DemGrid fast, parsed;
    std::string fastFailure, parsedFailure;
    const DemRead read = ReadDemFile(data, size, name, fast, fastFailure);
    if (ReadDemFile(data, size, name, parsed, parsedFailure, DemTupleScan::kParser) != read ||
        parsedFailure != fastFailure)
        std::abort();
    if (read != DemRead::kDem) return 0;
    if (!SameHeader(fast.header, parsed.header) || fast.centimetres != parsed.centimetres)
        std::abort();
    if (fast.centimetres.size() != static_cast<size_t>(fast.header.columns) * fast.header.rows)
        std::abort();
    DemHeader header;
    std::string failure;
    if (ReadDemHeader(data, size, name, header, failure) != DemRead::kDem ||
        !SameHeader(header, fast.header))
        std::abort();
    return 0;
}
