#include "dem/GmlDem.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

#include "dem/DemHeaderText.h"
#include "dem/DemProducts.h"
#include "dem/DemTexts.h"
#include "dem/DemTuples.h"

namespace {

// The elements inside the DEM whose text the header takes.
enum Field { kType, kMesh, kLower, kUpper, kLow, kHigh, kSequence, kStart, kFieldCount, kNoField };
const char* const kFieldNames[kFieldCount] = {"type", "mesh", "lowerCorner",  "upperCorner",
                                              "low",  "high", "sequenceRule", "startPoint"};

// The longest text a header element may hold.
constexpr size_t kMaxFieldText = 1000;
// The most bytes handed to the parser at once (it takes an int).
constexpr size_t kMaxPiece = size_t{1} << 26;

std::string_view LocalName(const char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon != nullptr ? colon + 1 : name;
}

const char* Attribute(const char** atts, std::string_view local) {
    for (; *atts != nullptr; atts += 2)
        if (LocalName(atts[0]) == local) return atts[1];
    return nullptr;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
}

// The fields the head of a DEM, before its tuple list, must hold.
constexpr Field kHeadFields[] = {kType, kMesh, kLower, kUpper, kLow, kHigh};

// One read of a document. Without a vector of values it reads the head
// only and stops at the DEM's tuple list; bWhole says whether the bytes are
// all of the file (a whole read's always are). The parser is fed in pieces:
// the first ends right after the tuple list's start tag, so that the tuple
// text can be read straight from the bytes when it is plain; the parser then
// goes on at the list's end tag.
class CGmlDemReader {
  public:
    CGmlDemReader(const uint8_t* data, size_t size, bool bWhole, const std::string& fileName,
                  std::vector<int32_t>* values, DemTupleScan scan)
        : m_data(reinterpret_cast<const char*>(data)),
          m_size(size),
          m_bWhole(bWhole),
          m_fileName(fileName),
          m_values(values),
          m_scan(scan),
          m_parser(XML_ParserCreate("UTF-8")) {
        if (m_parser == nullptr) throw std::bad_alloc();
        XML_SetUserData(m_parser, this);
        XML_SetElementHandler(m_parser, OnStart, OnEnd);
        XML_SetCharacterDataHandler(m_parser, OnText);
        XML_SetStartDoctypeDeclHandler(m_parser, OnDoctype);
    }
    ~CGmlDemReader() { XML_ParserFree(m_parser); }
    CGmlDemReader(const CGmlDemReader&) = delete;
    CGmlDemReader& operator=(const CGmlDemReader&) = delete;

    DemRead Read(DemHeader& header, std::string& failure) {
        // The parser tells the document's encoding from its first four
        // bytes: fewer, with more to come, might be read in another one.
        if (!m_bWhole && m_size < 4) {
            failure = SayDem(DemText::kBytesEndBeforeTuples);
            return DemRead::kNeedMore;
        }
        Parse();
        if (m_bStopped && !m_bHeadDone) {
            failure = m_failure;
            return m_result;
        }
        if (m_bHeadDone) {
            header = m_head;
            DemProductOfType(m_type, m_fileName, header.product);
            return DemRead::kDem;
        }
        if (!m_bWhole) {
            failure = SayDem(DemText::kBytesEndBeforeTuples);
            return DemRead::kNeedMore;
        }
        if (!m_bDem) {
            failure = SayDem(DemText::kNoDemElement);
            return DemRead::kNotDem;
        }
        for (int f = 0; f < kFieldCount; ++f) {
            if (m_bSeen[f]) continue;
            failure = SayDem(DemText::kNoElement, {kFieldNames[f]});
            return DemRead::kUnusable;
        }
        if (!m_bEnvelope) {
            failure = SayDem(DemText::kNoElement, {"Envelope"});
            return DemRead::kUnusable;
        }
        DemProductOfType(m_type, m_fileName, header.product);
        if (!CheckDemHeader(m_text, header, failure)) return DemRead::kUnusable;
        if (m_tuplesState == kBefore) {
            failure = SayDem(DemText::kNoElement, {"tupleList"});
            return DemRead::kUnusable;
        }
        if (!PlaceTuples(header, failure)) return DemRead::kUnusable;
        return DemRead::kDem;
    }

    // The first tuple kind read that the survey's files never use.
    std::string UnknownKind() const { return m_tuples ? m_tuples->UnknownKind() : std::string(); }

  private:
    enum TuplesState { kBefore, kOpen, kClosed };

    static void XMLCALL OnStart(void* self, const XML_Char* name, const XML_Char** atts) {
        static_cast<CGmlDemReader*>(self)->Start(name, atts);
    }
    static void XMLCALL OnEnd(void* self, const XML_Char*) {
        static_cast<CGmlDemReader*>(self)->End();
    }
    static void XMLCALL OnText(void* self, const XML_Char* text, int size) {
        static_cast<CGmlDemReader*>(self)->Text(text, static_cast<size_t>(size));
    }
    static void XMLCALL OnDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*,
                                  int) {
        static_cast<CGmlDemReader*>(self)->Fail(DemRead::kUnusable, SayDem(DemText::kDoctype));
    }

    void Parse() {
        size_t pos = 0;
        while (!m_bStopped) {
            const size_t cut = m_tuplesState == kBefore ? AfterTupleListTag(pos) : m_size;
            if (!Give(pos, cut) || cut == m_size) return;
            pos = cut;
            if (m_tuplesState == kOpen && m_tagEnd == pos) pos = SkipPlainTuples(pos);
        }
    }

    // Just after the first '>' that follows the next "tupleList" from pos;
    // the end when there is none.
    size_t AfterTupleListTag(size_t pos) const {
        const std::string_view rest(m_data + pos, m_size - pos);
        const size_t name = rest.find("tupleList");
        if (name == std::string_view::npos) return m_size;
        const size_t close = rest.find('>', name);
        return close == std::string_view::npos ? m_size : pos + close + 1;
    }

    // The tuple text at pos, up to the next markup, when that markup is an
    // end tag: read straight from the bytes; returns where the parser goes on.
    size_t SkipPlainTuples(size_t pos) {
        if (m_scan != DemTupleScan::kFast) return pos;
        const char* markup = m_tuples->ScanRaw(m_data + pos, m_data + m_size);
        if (markup == nullptr) return pos;
        const size_t end = static_cast<size_t>(markup - m_data);
        if (end + 1 >= m_size || m_data[end + 1] != '/') {
            m_tuples->Forget();
            return pos;
        }
        m_bRawTuples = true;
        m_skipped += end - pos;
        return end;
    }

    bool Give(size_t from, size_t to) {
        do {
            const size_t size = std::min(to - from, kMaxPiece);
            const bool bFinal = m_bWhole && from + size == m_size;
            if (XML_Parse(m_parser, m_data + from, static_cast<int>(size), bFinal) ==
                XML_STATUS_ERROR) {
                if (!m_bStopped) {
                    const auto at = static_cast<long long>(XML_GetCurrentByteIndex(m_parser)) +
                                    static_cast<long long>(m_skipped);
                    Fail(DemRead::kUnusable,
                         SayDem(DemText::kNotWellFormed,
                                {std::to_string(at), XML_ErrorString(XML_GetErrorCode(m_parser))}));
                }
                return false;
            }
            from += size;
        } while (from < to);
        return !m_bStopped;
    }

    void Fail(DemRead result, const std::string& failure) {
        if (m_bStopped) return;
        m_result = result;
        m_failure = failure;
        Stop();
    }

    void Stop() {
        m_bStopped = true;
        XML_StopParser(m_parser, XML_FALSE);
    }

    void Start(const char* name, const char** atts) {
        ++m_depth;
        if (m_field != kNoField)
            return Fail(DemRead::kUnusable,
                        SayDem(DemText::kElementInside, {kFieldNames[m_field]}));
        if (m_tuplesState == kOpen)
            return Fail(DemRead::kUnusable, SayDem(DemText::kElementInside, {"tupleList"}));
        const std::string_view local = LocalName(name);
        if (m_demDepth == 0) {
            if (m_depth == 2 && local == "DEM") {
                if (m_bDem) return Fail(DemRead::kUnusable, SayDem(DemText::kMoreThanOneDem));
                m_bDem = true;
                m_demDepth = m_depth;
            }
            return;
        }
        if (local == "Envelope") {
            if (m_bEnvelope)
                return Fail(DemRead::kUnusable, SayDem(DemText::kMoreThanOne, {"Envelope"}));
            m_bEnvelope = true;
            const char* srsName = Attribute(atts, "srsName");
            m_text.srsName = srsName != nullptr ? srsName : "";
        } else if (local == "tupleList") {
            if (m_tuplesState != kBefore)
                return Fail(DemRead::kUnusable, SayDem(DemText::kMoreThanOne, {"tupleList"}));
            m_tuplesState = kOpen;
            m_tagEnd = static_cast<size_t>(XML_GetCurrentByteIndex(m_parser)) +
                       static_cast<size_t>(XML_GetCurrentByteCount(m_parser)) + m_skipped;
            if (!CheckHead()) return;
            if (m_values == nullptr) {
                m_bHeadDone = true;
                return Stop();
            }
            StartTuples();
        } else {
            for (int f = 0; f < kFieldCount; ++f) {
                if (local != kFieldNames[f]) continue;
                if (m_bSeen[f])
                    return Fail(DemRead::kUnusable,
                                SayDem(DemText::kMoreThanOne, {kFieldNames[f]}));
                m_field = static_cast<Field>(f);
                m_fieldText.clear();
                if (m_field == kSequence) {
                    const char* order = Attribute(atts, "order");
                    m_text.sequenceOrder = order != nullptr ? order : "";
                }
            }
        }
    }

    // At the DEM's tuple list: everything but the sequence rule and the start
    // point must have come, and is checked; those two are checked when they
    // came too.
    bool CheckHead() {
        for (Field f : kHeadFields)
            if (!m_bSeen[f]) {
                Fail(DemRead::kUnusable,
                     SayDem(DemText::kNoElementBefore, {kFieldNames[f], "tupleList"}));
                return false;
            }
        if (!m_bEnvelope) {
            Fail(DemRead::kUnusable, SayDem(DemText::kNoElementBefore, {"Envelope", "tupleList"}));
            return false;
        }
        std::string failure;
        m_head.startColumn = m_head.startRow = kDemStartUnknown;
        if (!CheckDemHead(m_text, m_head, failure) ||
            (m_bSeen[kSequence] && !CheckDemSequenceRule(m_text, failure)) ||
            (m_bSeen[kStart] && !CheckDemStartPoint(m_text, m_head, failure))) {
            Fail(DemRead::kUnusable, failure);
            return false;
        }
        return true;
    }

    // The values go to the grid's vector from its start, and move to the
    // start point once the header is known (it may follow the list). The
    // head is checked: the vector takes the grid's size at once, its old
    // values left (every cell is written or filled at the end).
    void StartTuples() {
        const size_t cells = static_cast<size_t>(m_head.columns) * static_cast<size_t>(m_head.rows);
        m_values->resize(cells);
        m_tuples.emplace(*m_values, cells);
    }

    void End() {
        const int depth = m_depth--;
        if (m_field != kNoField) {
            EndField();
        } else if (m_tuplesState == kOpen && m_tuples) {
            m_tuplesState = kClosed;
            // An empty list's end comes even after a stop at its start.
            if (m_tuples && !m_bRawTuples && !m_tuples->Finish())
                Fail(DemRead::kUnusable, m_tuples->Failure());
        } else if (depth == m_demDepth) {
            m_demDepth = 0;
        }
    }

    void EndField() {
        const Field field = m_field;
        m_field = kNoField;
        m_bSeen[field] = true;
        std::string text = Trimmed(m_fieldText);
        switch (field) {
            case kType: {
                DemProduct product;
                if (!DemProductOfType(text, m_fileName, product))
                    return Fail(DemRead::kUnknownType, SayDem(DemText::kUnknownType));
                m_type = std::move(text);
                break;
            }
            case kMesh:
                m_text.mesh = std::move(text);
                break;
            case kLower:
                m_text.lowerCorner = std::move(text);
                break;
            case kUpper:
                m_text.upperCorner = std::move(text);
                break;
            case kLow:
                m_text.low = std::move(text);
                break;
            case kHigh:
                m_text.high = std::move(text);
                break;
            case kSequence:
                m_text.sequenceRule = std::move(text);
                break;
            default:
                m_text.startPoint = std::move(text);
                break;
        }
    }

    void Text(const char* text, size_t size) {
        if (m_field != kNoField) {
            if (m_fieldText.size() + size > kMaxFieldText)
                return Fail(DemRead::kUnusable,
                            SayDem(DemText::kFieldTooLong, {kFieldNames[m_field]}));
            m_fieldText.append(text, size);
        } else if (m_tuplesState == kOpen && m_tuples) {
            if (!m_tuples->Feed(text, text + size)) Fail(DemRead::kUnusable, m_tuples->Failure());
        }
    }

    bool PlaceTuples(const DemHeader& header, std::string& failure) {
        const size_t cells = static_cast<size_t>(header.columns) * static_cast<size_t>(header.rows);
        const size_t start = static_cast<size_t>(header.startRow) * header.columns +
                             static_cast<size_t>(header.startColumn);
        const size_t count = m_tuples->Count();
        if (count > cells - start) {
            failure = SayDem(DemText::kTuplesPastGrid,
                             {std::to_string(count), std::to_string(header.startColumn),
                              std::to_string(header.startRow), std::to_string(cells)});
            return false;
        }
        std::vector<int32_t>& values = *m_values;
        if (values.size() < cells) values.resize(cells);
        if (start > 0)
            std::copy_backward(values.begin(), values.begin() + count,
                               values.begin() + start + count);
        std::fill(values.begin(), values.begin() + start, kDemNoData);
        std::fill(values.begin() + start + count, values.begin() + cells, kDemNoData);
        values.resize(cells);
        return true;
    }

    const char* m_data;
    size_t m_size;
    bool m_bWhole;
    const std::string& m_fileName;
    std::vector<int32_t>* m_values;  // null: a head read
    DemTupleScan m_scan;
    XML_Parser m_parser;

    bool m_bStopped = false;   // by a handler: a failure, or the head read to its end
    bool m_bHeadDone = false;  // a head read came to the tuple list
    DemHeader m_head;          // checked at the tuple list
    DemRead m_result = DemRead::kUnusable;
    std::string m_failure;

    int m_depth = 0;
    int m_demDepth = 0;  // of the DEM element while inside it
    bool m_bDem = false;
    bool m_bEnvelope = false;
    bool m_bSeen[kFieldCount] = {};
    Field m_field = kNoField;  // whose text is being gathered
    std::string m_fieldText;
    std::string m_type;
    DemHeaderText m_text;

    TuplesState m_tuplesState = kBefore;
    size_t m_tagEnd = 0;   // where the tuple list's text begins in the file
    size_t m_skipped = 0;  // bytes not given to the parser
    bool m_bRawTuples = false;
    std::optional<CDemTuples> m_tuples;
};

}  // namespace

DemRead ReadDemHead(const uint8_t* data, size_t size, bool bWhole, const std::string& fileName,
                    DemHeader& header, std::string& failure) {
    CGmlDemReader reader(data, size, bWhole, fileName, nullptr, DemTupleScan::kFast);
    return reader.Read(header, failure);
}

DemRead ReadDemFile(const uint8_t* data, size_t size, const std::string& fileName, DemGrid& grid,
                    std::string& failure, DemTupleScan scan) {
    CGmlDemReader reader(data, size, true, fileName, &grid.centimetres, scan);
    const DemRead read = reader.Read(grid.header, failure);
    grid.unknownKind = reader.UnknownKind();
    return read;
}
