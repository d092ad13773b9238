// Fuzzes the walk of the national DEM's zips, the bytes taken as the outer
// zip: every walk ends in one of its outcomes, a refusal says why, no member
// handed on is over the cap or named outside its zip, and no memory outside
// the buffers is touched (the sanitizers watch that).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "dem/DemArchive.h"
#include "framework/Console.h"
#include "framework/MemoryFile.h"

namespace {

constexpr uint64_t kLimit = 1 << 20;
const std::string kOuter = "fuzz.zip";

struct CheckingSink final : IDemMemberSink {
    bool OnDemMember(const std::string& displayName, const std::string& fileName,
                     const std::vector<uint8_t>& bytes, bool) override {
        if (bytes.size() > kLimit) std::abort();
        if (displayName.compare(0, kOuter.size() + 1, kOuter + ":") != 0) std::abort();
        // The display name ends in the member's own name, in system text.
        const std::string shown = NativeFromCp932(fileName);
        if (shown.size() > displayName.size() ||
            displayName.compare(displayName.size() - shown.size(), shown.size(), shown) != 0) {
            std::abort();
        }
        return true;
    }
    void OnSkipped(const std::string& warning) override {
        if (warning.compare(0, kOuter.size() + 1, kOuter + ":") != 0) std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CMemoryFile file(std::vector<uint8_t>(data, data + size), kOuter);
    CheckingSink sink;
    DemWalkOptions options;
    options.memberLimit = kLimit;
    const DemWalkResult result = WalkDemZip(file, kOuter, sink, options);
    if (result.outcome == DemWalkOutcome::kUnusable && result.reason.empty()) std::abort();
    if (result.outcome == DemWalkOutcome::kStopped) std::abort();
    return 0;
}
