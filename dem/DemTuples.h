#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dem/DemGrid.h"

// Reads the text of a DEM's tuple list: tuples apart by white space (space,
// tab, CR, LF), each a kind, a comma and a value in metres with at most two
// decimals (further decimals must be zeros), optionally negative, of at most
// seven integer digits. A kind that is empty or a number (a tuple that lost
// its kind, or "12,5" with a decimal comma) does not read; any other kind is
// taken (see UnknownKind). -9999 with any decimals is no data whatever the kind; a height
// above 4,000 m or at or below -1,000 m does not read; any other is kept in
// exact centimetres.
class CDemTuples {
  public:
    // Values go to values[0], values[1] ... in the order of the text; the
    // vector grows as needed, and a tuple beyond `limit` is a failure.
    CDemTuples(std::vector<int32_t>& values, size_t limit);

    // The list's text as it lies in the file, read straight from the bytes
    // from p up to the first '<' after white space (or end). Where that '<'
    // is, when the text before it held only tuples that read well and need
    // no XML decoding (no entity, no character the parser would refuse or
    // change); null otherwise, with nothing counted: the caller then feeds
    // the parser's text instead, which decides.
    const char* ScanRaw(const char* p, const char* end);
    // Forgets what ScanRaw counted, when the markup it stopped at turns out
    // not to end the list.
    void Forget() {
        m_count = 0;
        m_unknownKind.clear();
    }

    // A piece of the list's text as the XML parser gives it; a tuple may run
    // on into the next piece. False, with Failure() naming the tuple and what
    // is wrong, at a tuple that does not read.
    bool Feed(const char* p, const char* end);
    // After the last piece: reads a tuple that ended with the text.
    bool Finish();

    size_t Count() const { return m_count; }
    const std::string& Failure() const { return m_failure; }
    // The first kind read that the survey's files never use (they use
    // 地表面, 表層面, 海水面, 内水面, 海水底面, その他, データなし); empty when
    // there is none. Its values are taken all the same.
    const std::string& UnknownKind() const { return m_unknownKind; }

  private:
    bool Tuple(const char* p, const char* end);

    std::vector<int32_t>& m_values;
    size_t m_limit;
    size_t m_count = 0;
    std::string m_carry;  // a tuple cut by the end of a piece
    std::string m_failure;
    std::string m_unknownKind;
};
