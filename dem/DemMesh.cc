#include "dem/DemMesh.h"

#include "dem/DemTexts.h"

namespace {

constexpr int64_t kMasPerMinute = kMasPerDegree / 60;
constexpr int64_t kMasPerSecond = kMasPerMinute / 60;

}  // namespace

bool DemMeshExtent(const std::string& code, DemHeader& header, std::string& failure) {
    if (code.size() != 6 && code.size() != 8) {
        failure = SayDem(DemText::kMeshCodeLength, {std::to_string(code.size())});
        return false;
    }
    int digit[8] = {};
    int64_t value = 0;
    for (size_t i = 0; i < code.size(); ++i) {
        if (code[i] < '0' || code[i] > '9') {
            failure = SayDem(DemText::kMeshCodeNotDigits);
            return false;
        }
        digit[i] = code[i] - '0';
        value = value * 10 + digit[i];
    }
    if (digit[4] > 7 || digit[5] > 7) {
        failure = SayDem(DemText::kMeshCodeSecondLevel, {code});
        return false;
    }
    // First level: 40' of latitude by 1 degree of longitude from pq, rr;
    // second level: 8 by 8 parts of it; third level: 10 by 10 of those.
    int64_t south = (digit[0] * 10 + digit[1]) * 40 * kMasPerMinute + digit[4] * 5 * kMasPerMinute;
    int64_t west =
        (100 + digit[2] * 10 + digit[3]) * kMasPerDegree + digit[5] * 450 * kMasPerSecond;
    int64_t height = 5 * kMasPerMinute, width = 450 * kMasPerSecond;
    if (code.size() == 8) {
        south += digit[6] * 30 * kMasPerSecond;
        west += digit[7] * 45 * kMasPerSecond;
        height = 30 * kMasPerSecond;
        width = 45 * kMasPerSecond;
    }
    header.meshCode = value;
    header.southMas = south;
    header.westMas = west;
    header.northMas = south + height;
    header.eastMas = west + width;
    return true;
}
