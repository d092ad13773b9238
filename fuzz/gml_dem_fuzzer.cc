// Fuzzes the national DEM's reader on arbitrary bytes: reading the tuples
// straight from the bytes must give exactly what reading them through the
// XML parser gives; a head read of all the bytes must agree with a whole
// read (the same refusal, or a header that a successful whole read shares),
// and a head read of the first bytes must either ask for more or give what
// the head read of all of them gives; the sanitizers watch memory.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dem/GmlDem.h"

namespace {

// The same header, but for a start point that the head did not reach.
bool SameHeader(const DemHeader& a, const DemHeader& head) {
    return a.meshCode == head.meshCode && a.product == head.product &&
           a.southMas == head.southMas && a.westMas == head.westMas &&
           a.northMas == head.northMas && a.eastMas == head.eastMas && a.columns == head.columns &&
           a.rows == head.rows &&
           ((head.startColumn == kDemStartUnknown && head.startRow == kDemStartUnknown) ||
            (a.startColumn == head.startColumn && a.startRow == head.startRow));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The name tells the two 5 m landform products apart: let the input pick.
    const std::string name = size > 0 && (data[size - 1] & 1) != 0 ? "FG-GML-DEM5C.xml" : "a.xml";
    DemGrid fast, parsed;
    std::string fastFailure, parsedFailure;
    const DemRead read = ReadDemFile(data, size, name, fast, fastFailure);
    if (read == DemRead::kNeedMore) std::abort();
    if (ReadDemFile(data, size, name, parsed, parsedFailure, DemTupleScan::kParser) != read ||
        parsedFailure != fastFailure)
        std::abort();
    if (read == DemRead::kDem &&
        (!SameHeader(fast.header, parsed.header) || fast.centimetres != parsed.centimetres ||
         fast.unknownKind != parsed.unknownKind ||
         fast.centimetres.size() != static_cast<size_t>(fast.header.columns) * fast.header.rows))
        std::abort();

    DemHeader head;
    std::string headFailure;
    const DemRead headRead = ReadDemHead(data, size, true, name, head, headFailure);
    if (headRead == DemRead::kDem) {
        // What follows the head may still make the file unusable.
        if (read != DemRead::kDem && read != DemRead::kUnusable) std::abort();
        if (read == DemRead::kDem && !SameHeader(fast.header, head)) std::abort();
    } else if (headRead != read || headFailure != fastFailure) {
        std::abort();
    }

    // The first bytes, as many as the input's first byte picks out of 256ths.
    const size_t cut = size > 0 ? size * data[0] / 256 : 0;
    DemHeader part;
    std::string partFailure;
    const DemRead partRead = ReadDemHead(data, cut, false, name, part, partFailure);
    if (partRead != DemRead::kNeedMore &&
        (partRead != headRead || partFailure != headFailure ||
         (partRead == DemRead::kDem &&
          (!SameHeader(head, part) || part.startColumn != head.startColumn ||
           part.startRow != head.startRow))))
        std::abort();
    return 0;
}
