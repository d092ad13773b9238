#include "elevation/MeshReader.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "elevation/ElevationTexts.h"
#include "elevation/RecordParser.h"
#include "elevation/TextModeLines.h"
#include "framework/AlignedBuffer.h"
#include "framework/Exception.h"
#include "framework/File.h"

namespace {

constexpr size_t kMeshCodeWidth = 6;
constexpr size_t kRecordNumberColumn = 6;
constexpr size_t kFirstFieldColumn = 9;
// Enough for a whole file of 200 records in one read.
constexpr size_t kReadBuffer = 256 * 1024;

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// The grid row of a record line, or -1 when its number is not 001 to 200.
int RecordRow(std::string_view line) {
    const char* p = line.data() + kRecordNumberColumn;
    if (!IsDigit(p[0]) || !IsDigit(p[1]) || !IsDigit(p[2])) return -1;
    const int record = 100 * (p[0] - '0') + 10 * (p[1] - '0') + (p[2] - '0');
    if (record < 1 || record > kMeshSide) return -1;
    return kMeshSide - record;
}

bool StoreRecord(std::string_view line, MeshGrid& grid) {
    const int row = RecordRow(line);
    if (row < 0) return false;
    // The line reader leaves readable slack after every line.
    ConvertRecordFields(line.data() + kFirstFieldColumn,
                        line.size() - kFirstFieldColumn + CTextModeLines::kSlack, &grid.At(row, 0));
    return true;
}

void NoteFailure(MeshReadControl* control, const std::string& reason) {
    if (control == nullptr) return;
    control->stopped = false;
    control->failure = reason;
}

}  // namespace

int MeshFieldValue(const char* p, size_t n) {
    size_t i = 0;
    while (i < n && IsCSpace(p[i])) ++i;
    bool negative = false;
    if (i < n && (p[i] == '-' || p[i] == '+')) negative = p[i++] == '-';
    int value = 0;
    for (; i < n && IsDigit(p[i]); ++i) value = value * 10 + (p[i] - '0');
    return negative ? -value : value;
}

int32_t ReadMeshText(CFile& file, MeshGrid& grid, char* scratch, size_t scratchSize,
                     MeshReadControl* control) {
    std::fill(std::begin(grid.cells), std::end(grid.cells), kNoElevation);
    CTextModeLines lines(file, scratch, scratchSize,
                         control != nullptr ? control->stopRequested : nullptr);
    std::string_view line;
    const bool first = lines.Next(line);
    const int32_t code =
        first ? MeshFieldValue(line.data(), std::min(line.size(), kMeshCodeWidth)) : -1;
    int stored = 0;
    // The length of the line being read, across its pieces, and whether
    // the last piece ended its line.
    size_t lineLength = first ? line.size() : 0;
    bool lineEnded = first && lines.EndedLine();
    while (first && lines.Next(line)) {
        lineLength = (lineEnded ? 0 : lineLength) + line.size();
        lineEnded = lines.EndedLine();
        if (line.size() >= kMeshRecordLength) stored += StoreRecord(line, grid);
    }
    // Every line of a mesh file, its header included, is a whole line with
    // a line end: a last line without one that is shorter is what an
    // interrupted copy leaves. Rows left out are sea, so the file would
    // otherwise be taken as whole with its missing rows as sea.
    const bool cut = first && !lineEnded && lineLength < kMeshRecordLength && !lines.Stopped();
    if (control != nullptr) {
        control->records = stored;
        control->stopped = lines.Stopped();
        control->failure = control->stopped ? ""
                           : !first         ? SayElevation(ElevationText::kMeshEmpty)
                           : cut            ? SayElevation(ElevationText::kMeshCutShort)
                           : code < 0       ? SayElevation(ElevationText::kMeshCodeNegative)
                                            : "";
        if (control->stopped) return -1;
    }
    return cut ? -1 : code;
}

int32_t ReadMemFile(const std::string& path, MeshGrid& grid) {
    CAlignedBuffer scratch(kReadBuffer);
    return ReadMemFile(path, grid, reinterpret_cast<char*>(scratch.Data()), scratch.Size());
}

int32_t ReadMemFile(const std::string& path, MeshGrid& grid, char* scratch, size_t scratchSize,
                    MeshReadControl* control) {
    std::unique_ptr<CFile> file;
    try {
        file = OpenFile(path, FileAccess::kReadShared);
    } catch (const CFileException& e) {
        NoteFailure(control, e.Reason());
        return -1;
    }
    try {
        return ReadMeshText(*file, grid, scratch, scratchSize, control);
    } catch (const CFileException& e) {
        NoteFailure(control, e.Reason());
        return -1;
    }
}
