#include "elevation/MeshWriter.h"

#include <cstdio>
#include <stdexcept>

namespace {

constexpr size_t kLineLength = 1009;
constexpr size_t kFlagsColumn = 225;    // 0-based start of the row flags
constexpr size_t kCountColumn = 142;    // 0-based start of the records stored
constexpr int kSquareLatSeconds = 300;  // a second-level square is 5' high
constexpr int kSquareLonSeconds = 450;  // and 7' 30" wide

// Seconds of arc as DDDMMSS.
std::string Dms(int seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d%02d%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

void EndLine(std::string& text, size_t lineStart) {
    text.resize(lineStart + kLineLength, ' ');
    text += "\r\n";
}

void AppendHeader(std::string& text, int32_t meshCode, int year) {
    const int p = meshCode / 10000, u = meshCode / 100 % 100;
    const int q = meshCode / 10 % 10, v = meshCode % 10;
    const int south = p * 2400 + q * kSquareLatSeconds;
    const int west = (u + 100) * 3600 + v * kSquareLonSeconds;
    char code[8];
    std::snprintf(code, sizeof code, "%06d", static_cast<int>(meshCode));
    const size_t start = text.size();
    text += code;
    // The survey's, the revision's and the digitising's years, as readers
    // of the format expect four digits each.
    char years[16];
    std::snprintf(years, sizeof years, "%04d%04d%04d", year, year, year);
    text.resize(start + 11, ' ');
    text += years;
    text += "200200";
    text += Dms(south) + Dms(west) + Dms(south + kSquareLatSeconds) + Dms(west + kSquareLonSeconds);
    text += '0';
    text.resize(start + kCountColumn, ' ');
    text += "200";
    text.resize(start + kFlagsColumn, ' ');
    text.append(kMeshSide, '1');
    EndLine(text, start);
}

}  // namespace

std::optional<int32_t> FieldForTileCell(int16_t tile) {
    if (tile == 0) return kLowestField;
    if (tile >= -99 && tile < 0) return 10 * tile - 5;
    if (tile > 0 && tile <= 10000) return 10 * (tile - 1);
    return std::nullopt;
}

std::string MeshFileText(int32_t meshCode, const MeshFields& fields, int year) {
    if (meshCode < 0 || meshCode > 999999) throw std::out_of_range("mesh code out of range");
    if (year < 0 || year > 9999) throw std::out_of_range("year out of range");
    for (int32_t field : fields.cells)
        if (field < kLowestField || field > kHighestField)
            throw std::out_of_range("mesh field out of range");
    std::string text;
    text.reserve((kLineLength + 2) * (kMeshSide + 1));
    AppendHeader(text, meshCode, year);
    for (int record = 1; record <= kMeshSide; ++record) {
        const int row = kMeshSide - record;
        char line[kLineLength + 1];
        int at = std::snprintf(line, sizeof line, "%06d%03d", static_cast<int>(meshCode), record);
        for (int j = 0; j < kMeshSide; ++j)
            at += std::snprintf(line + at, sizeof line - at, "%5d",
                                static_cast<int>(fields.At(row, j)));
        const size_t start = text.size();
        text.append(line, static_cast<size_t>(at));
        EndLine(text, start);
    }
    return text;
}
