#include "fuzz/ReferenceMeshReader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kLineBuffer = 2048;

// What a text-mode stream delivers: up to a Ctrl-Z, each CR right before an
// LF removed.
std::string TextMode(const std::string& raw) {
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\x1A') break;
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        out += raw[i];
    }
    return out;
}

// fgets into a 2048-byte buffer: up to 2047 characters, the line feed
// included; the piece returned here leaves the line feed out.
bool NextPiece(const std::string& text, size_t& pos, std::string& piece) {
    if (pos >= text.size()) return false;
    size_t end = pos;
    while (end < text.size() && end - pos < kLineBuffer - 1) {
        if (text[end++] == '\n') break;
    }
    piece.assign(text, pos, end - pos);
    pos = end;
    if (!piece.empty() && piece.back() == '\n') piece.pop_back();
    return true;
}

void StoreRecord(const std::string& line, MeshGrid& grid) {
    if (line.size() < 1009) return;
    const char* c = line.c_str();
    for (int i = 6; i <= 8; ++i)
        if (c[i] < '0' || c[i] > '9') return;
    const int record = 100 * (c[6] - '0') + 10 * (c[7] - '0') + (c[8] - '0');
    if (record < 1 || record > 200) return;
    const int row = 200 - record;
    for (int j = 0; j < 200; ++j) {
        char field[6];
        std::memcpy(field, c + 9 + 5 * j, 5);
        field[5] = '\0';
        const int v = std::atoi(field);
        grid.cells[row * 200 + j] = static_cast<int16_t>((v + 5) / 10);
    }
}

}  // namespace

int32_t ReferenceReadMesh(const std::string& bytes, MeshGrid& grid) {
    for (int16_t& cell : grid.cells) cell = kNoElevation;
    const std::string text = TextMode(bytes);
    size_t pos = 0;
    std::string line;
    if (!NextPiece(text, pos, line)) return -1;
    char head[7] = {};
    std::memcpy(head, line.c_str(), std::min<size_t>(line.size(), 6));
    const int32_t code = std::atoi(head);
    while (NextPiece(text, pos, line)) StoreRecord(line, grid);
    // A last line without a line end that is shorter than a record: the
    // file was cut short.
    const size_t lastEnd = text.rfind('\n');
    const size_t lastLine = lastEnd == std::string::npos ? text.size() : text.size() - lastEnd - 1;
    if (lastLine > 0 && lastLine < 1009) return -1;
    return code;
}

int32_t ReferenceReadMeshFile(const std::string& path, MeshGrid& grid) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return -1;
    std::string bytes;
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, n);
    std::fclose(f);
    return ReferenceReadMesh(bytes, grid);
}
