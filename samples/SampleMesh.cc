#include "samples/SampleMesh.h"

#include <cstdio>

namespace {

constexpr int kSide = 200;
constexpr size_t kLine = 1009;

std::string Padded(std::string line) {
    line.resize(kLine, ' ');
    return line + "\r\n";
}

}  // namespace

std::vector<int> AllMeshRecords() {
    std::vector<int> records;
    for (int r = 1; r <= kSide; ++r) records.push_back(r);
    return records;
}

std::string BuildMeshText(int32_t meshCode, const std::vector<int>& records,
                          const MeshTenths& tenths) {
    char head[64];
    // Code, scale, years, points east-west and north-south, then the stored
    // record count further on; the rest of the header is blank here.
    std::snprintf(head, sizeof head, "%06d 25000198019851990200200", static_cast<int>(meshCode));
    std::string header = head;
    header.resize(142, ' ');
    char count[8];
    std::snprintf(count, sizeof count, "%03d", static_cast<int>(records.size() % 1000));
    header += count;
    header.resize(225, ' ');
    std::string flags(kSide, '0');
    for (int r : records)
        if (r >= 1 && r <= kSide) flags[r - 1] = '1';
    header += flags;

    std::string text = Padded(header);
    text.reserve(text.size() * (records.size() + 1));
    for (int r : records) {
        char line[kLine + 1];
        int at = std::snprintf(line, sizeof line, "%06d%03d", static_cast<int>(meshCode), r);
        for (int j = 0; j < kSide; ++j)
            at += std::snprintf(line + at, sizeof line - at, "%5d", tenths(r, j));
        text += Padded(std::string(line, at));
    }
    return text;
}
