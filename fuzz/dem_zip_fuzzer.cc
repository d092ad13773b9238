// Fuzzes the walk of the national DEM's zips, the bytes taken as the outer
// zip: every walk ends in one of its outcomes, a refusal says why, no member
// handed on is over the cap or named outside its zip, and no memory outside
// the buffers is touched (the sanitizers watch that). A walk for heads hands
// on first bytes of the members a whole walk hands on, and completes where
// the whole walk does; a walk that reads every zip inside a zip from a
// temporary file ends as the walk in memory does, with the same members.
#include <algorithm>
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
    // For a walk for heads, the members of a whole walk of the same bytes,
    // and how many bytes of each are enough.
    const std::vector<std::vector<uint8_t>>* pWhole = nullptr;
    size_t enough = 0;
    std::vector<std::vector<uint8_t>> members;

    bool OnDemMember(const std::string& displayName, const std::string& fileName,
                     std::vector<uint8_t>& bytes, bool bWhole) override {
        if (bytes.size() > kLimit) std::abort();
        if (displayName.compare(0, kOuter.size() + 1, kOuter + ":") != 0) std::abort();
        // The display name ends in the member's own name, in system text.
        const std::string shown = NativeFromCp932(fileName);
        if (shown.size() > displayName.size() ||
            displayName.compare(displayName.size() - shown.size(), shown.size(), shown) != 0) {
            std::abort();
        }
        if (pWhole == nullptr) {
            if (!bWhole) std::abort();
            members.push_back(bytes);
            return true;
        }
        // Called again for a member until it is enough.
        if (members.empty() || m_bDone) members.emplace_back();
        const std::vector<uint8_t>& last = members.back();
        if (bytes.size() < last.size() || (!bWhole && bytes.size() < 2 * last.size())) std::abort();
        members.back() = bytes;
        if (members.size() <= pWhole->size()) {
            const std::vector<uint8_t>& whole = (*pWhole)[members.size() - 1];
            if (bytes.size() > whole.size() || (bWhole && bytes.size() != whole.size()) ||
                !std::equal(bytes.begin(), bytes.end(), whole.begin()))
                std::abort();
        }
        m_bDone = bWhole || bytes.size() >= enough;
        return m_bDone;
    }
    void OnSkipped(const std::string& warning) override {
        if (warning.compare(0, kOuter.size() + 1, kOuter + ":") != 0) std::abort();
    }

  private:
    bool m_bDone = false;
};

DemWalkResult Walk(const uint8_t* data, size_t size, CheckingSink& sink, size_t headBytes,
                   uint64_t innerInMemory = kDemInnerInMemory) {
    CMemoryFile file(std::vector<uint8_t>(data, data + size), kOuter);
    DemWalkOptions options;
    options.memberLimit = kLimit;
    options.headBytes = headBytes;
    options.innerInMemory = innerInMemory;
    const DemWalkResult result = WalkDemZip(file, kOuter, sink, options);
    if (result.outcome == DemWalkOutcome::kUnusable && result.reason.empty()) std::abort();
    if (result.outcome == DemWalkOutcome::kStopped) std::abort();
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckingSink whole;
    const DemWalkResult all = Walk(data, size, whole, 0);
    // The input's last byte picks how much of each member is enough.
    CheckingSink heads;
    heads.pWhole = &whole.members;
    heads.enough = size > 0 ? size_t{data[size - 1]} << 10 : 0;
    const DemWalkResult first = Walk(data, size, heads, 100);
    if (all.outcome == DemWalkOutcome::kCompleted &&
        (first.outcome != DemWalkOutcome::kCompleted ||
         heads.members.size() != whole.members.size() || first.demMembers != all.demMembers))
        std::abort();
    CheckingSink spilled;
    const DemWalkResult copied = Walk(data, size, spilled, 0, 0);
    if (copied.outcome != all.outcome || copied.demMembers != all.demMembers ||
        spilled.members != whole.members)
        std::abort();
    return 0;
}
