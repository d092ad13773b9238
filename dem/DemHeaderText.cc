#include "dem/DemHeaderText.h"

#include <cmath>
#include <iterator>

#include "dem/DemMesh.h"
#include "dem/DemTexts.h"
#include "dem/GmlDem.h"

namespace {

// How far the envelope's corners may lie from the mesh code's, in degrees.
constexpr double kEnvelopeTolerance = 1e-6;

bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// The two words of a text apart by white space; false unless there are two.
bool TwoWords(const std::string& text, std::string& first, std::string& second) {
    size_t i = 0;
    std::string* words[] = {&first, &second};
    for (std::string* word : words) {
        while (i < text.size() && IsSpace(text[i])) ++i;
        const size_t start = i;
        while (i < text.size() && !IsSpace(text[i])) ++i;
        if (i == start) return false;
        word->assign(text, start, i - start);
    }
    while (i < text.size() && IsSpace(text[i])) ++i;
    return i == text.size();
}

// A decimal number without exponent, of at most 18 digits, read the same
// whatever the C library's locale: the digits as an integer, divided once by
// the power of ten of its decimals.
bool Decimal(const std::string& text, double& value) {
    size_t i = 0;
    const bool bNegative = i < text.size() && text[i] == '-';
    if (bNegative) ++i;
    int64_t digits = 0;
    int count = 0, places = 0;
    bool bPoint = false;
    for (; i < text.size(); ++i) {
        if (text[i] == '.' && !bPoint) {
            bPoint = true;
        } else if (text[i] >= '0' && text[i] <= '9') {
            if (++count > 18) return false;
            digits = digits * 10 + (text[i] - '0');
            if (bPoint) ++places;
        } else {
            return false;
        }
    }
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
                                              1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13,
                                              1e14, 1e15, 1e16, 1e17, 1e18};
    static_assert(std::size(kPowersOfTen) == 19);
    if (count == 0) return false;
    value = static_cast<double>(digits) / kPowersOfTen[places];
    if (bNegative) value = -value;
    return true;
}

// A whole number of at most 9 digits, not negative.
bool Whole(const std::string& text, int32_t& value) {
    if (text.empty() || text.size() > 9) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool WholePair(const std::string& text, int32_t& first, int32_t& second) {
    std::string a, b;
    return TwoWords(text, a, b) && Whole(a, first) && Whole(b, second);
}

// The text for a message: at most 40 bytes, printable ASCII kept.
std::string Shown(const std::string& text) {
    std::string shown = text.substr(0, 40);
    for (char& c : shown)
        if (c < 0x20 || c > 0x7E) c = '?';
    return shown;
}

bool CornerAgrees(const std::string& text, int64_t latMas, int64_t lonMas) {
    std::string a, b;
    double lat, lon;
    if (!TwoWords(text, a, b) || !Decimal(a, lat) || !Decimal(b, lon)) return false;
    return std::fabs(lat - static_cast<double>(latMas) / kMasPerDegree) <= kEnvelopeTolerance &&
           std::fabs(lon - static_cast<double>(lonMas) / kMasPerDegree) <= kEnvelopeTolerance;
}

}  // namespace

bool DemGridSize(const std::string& low, const std::string& high, int32_t& columns, int32_t& rows,
                 std::string& failure) {
    int32_t lowColumn, lowRow, lastColumn, lastRow;
    if (!WholePair(low, lowColumn, lowRow) || lowColumn != 0 || lowRow != 0) {
        failure = SayDem(DemText::kGridStart, {Shown(low)});
        return false;
    }
    if (!WholePair(high, lastColumn, lastRow) || lastColumn >= kMaxDemSide ||
        lastRow >= kMaxDemSide ||
        (int64_t{lastColumn} + 1) * (int64_t{lastRow} + 1) > kMaxDemCells) {
        failure = SayDem(DemText::kGridLastCell, {Shown(high), std::to_string(kMaxDemCells)});
        return false;
    }
    columns = lastColumn + 1;
    rows = lastRow + 1;
    return true;
}

bool CheckDemHead(const DemHeaderText& text, DemHeader& header, std::string& failure) {
    if (!DemMeshExtent(text.mesh, header, failure)) return false;
    if (text.srsName != "fguuid:jgd2011.bl" && text.srsName != "fguuid:jgd2000.bl" &&
        text.srsName != "fguuid:jgd2024.bl") {
        failure = SayDem(DemText::kReferenceSystem, {Shown(text.srsName)});
        return false;
    }
    if (!CornerAgrees(text.lowerCorner, header.southMas, header.westMas) ||
        !CornerAgrees(text.upperCorner, header.northMas, header.eastMas)) {
        failure = SayDem(DemText::kEnvelopeNotMesh,
                         {Shown(text.lowerCorner), Shown(text.upperCorner), text.mesh});
        return false;
    }
    return DemGridSize(text.low, text.high, header.columns, header.rows, failure);
}

bool CheckDemSequenceRule(const DemHeaderText& text, std::string& failure) {
    if (text.sequenceOrder != "+x-y" || text.sequenceRule != "Linear") {
        failure =
            SayDem(DemText::kSequenceRule, {Shown(text.sequenceRule), Shown(text.sequenceOrder)});
        return false;
    }
    return true;
}

bool CheckDemStartPoint(const DemHeaderText& text, DemHeader& header, std::string& failure) {
    if (!WholePair(text.startPoint, header.startColumn, header.startRow) ||
        header.startColumn >= header.columns || header.startRow >= header.rows) {
        failure = SayDem(
            DemText::kStartPoint,
            {Shown(text.startPoint), std::to_string(header.columns), std::to_string(header.rows)});
        return false;
    }
    return true;
}

bool CheckDemHeader(const DemHeaderText& text, DemHeader& header, std::string& failure) {
    return CheckDemHead(text, header, failure) && CheckDemSequenceRule(text, failure) &&
           CheckDemStartPoint(text, header, failure);
}
