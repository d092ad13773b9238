#include "dem/DemSources.h"

#include <memory>

#include "framework/Exception.h"
#include "framework/File.h"

namespace {

constexpr uint32_t kChunk = 1 << 20;

// Reads the DEM file at path whole into bytes; false with the reason in
// result when it cannot be read or is over the limit.
bool ReadDemFile(const std::string& path, const DemWalkOptions& options,
                 std::vector<uint8_t>& bytes, DemWalkResult& result) {
    try {
        const std::unique_ptr<CFile> file = OpenFile(path, FileAccess::kReadShared);
        const uint64_t length = file->GetLength();
        if (length > options.memberLimit) {
            result.outcome = DemWalkOutcome::kUnusable;
            result.reason = path + ": file larger than " + LimitText(options.memberLimit);
            return false;
        }
        bytes.resize(static_cast<size_t>(length));
        size_t done = 0;
        while (done < bytes.size()) {
            const auto count = static_cast<uint32_t>(std::min<size_t>(kChunk, bytes.size() - done));
            const uint32_t got = file->Read(bytes.data() + done, count);
            done += got;
            if (got < count) break;  // shorter than it was a moment ago
        }
        bytes.resize(done);
        if (options.progress) options.progress(done, done);
        return true;
    } catch (const CFileException& e) {
        result.outcome = DemWalkOutcome::kUnusable;
        result.reason = e.what();
        return false;
    }
}

}  // namespace

DemWalkResult WalkDemSources(const std::vector<DemSource>& sources, IDemMemberSink& sink,
                             const DemWalkOptions& options) {
    DemWalkResult result;
    std::vector<uint8_t> bytes;  // reused from one DEM file to the next
    for (const DemSource& source : sources) {
        if (options.stopRequested && options.stopRequested()) {
            result.outcome = DemWalkOutcome::kStopped;
            return result;
        }
        if (source.bZip) {
            const DemWalkResult zip = WalkDemZip(source.path, sink, options);
            result.demMembers += zip.demMembers;
            result.outcome = zip.outcome;
            result.reason = zip.reason;
        } else if (ReadDemFile(source.path, options, bytes, result)) {
            sink.OnDemMember(source.path, OwnFileName(source.path), bytes);
            ++result.demMembers;
        }
        if (result.outcome != DemWalkOutcome::kCompleted) return result;
    }
    return result;
}
