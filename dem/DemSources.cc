#include "dem/DemSources.h"

#include <algorithm>
#include <memory>

#include "dem/DemArchive.h"
#include "dem/DemTexts.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FileSystem.h"

namespace {

constexpr uint32_t kChunk = 1 << 20;

// Reads the file on onto bytes, until they hold want bytes or it ends: true
// when it ended (it may be shorter than it was a moment ago).
bool ReadOn(CFile& file, uint64_t want, std::vector<uint8_t>& bytes) {
    while (bytes.size() < want) {
        const size_t before = bytes.size();
        const auto count = static_cast<uint32_t>(std::min<uint64_t>(kChunk, want - before));
        bytes.resize(before + count);
        const uint32_t got = file.Read(bytes.data() + before, count);
        bytes.resize(before + got);
        if (got < count) return true;
    }
    return false;
}

// The file's own name: after the path's last separator in its own encoding
// (a code page 932 walk of a UTF-8 path can step over one), or after the
// last '/', which Windows also takes and no encoding holds inside a name.
std::string OwnNameOfPath(const std::string& path) {
    const std::string name = NameOfPlace(path);
    return name.substr(name.find_last_of('/') + 1);
}

// Hands on the DEM file at path, whole or (with options.headBytes) as much
// of it as the sink asks for; false with the reason in result when it
// cannot be read or is over the limit.
bool HandOnDemFile(const std::string& path, IDemMemberSink& sink, const DemWalkOptions& options,
                   std::vector<uint8_t>& bytes, DemWalkResult& result) {
    auto unusable = [&](std::string reason) {
        result.outcome = DemWalkOutcome::kUnusable;
        result.reason = std::move(reason);
        return false;
    };
    std::unique_ptr<CFile> file;
    uint64_t length = 0;
    try {
        file = OpenFile(path, FileAccess::kReadShared);
        length = file->GetLength();
    } catch (const CFileException& e) {
        return unusable(e.what());
    }
    if (length > options.memberLimit)
        return unusable(SayDem(DemText::kFileTooLarge, {path, LimitText(options.memberLimit)}));
    uint64_t want = options.headBytes > 0 ? std::min<uint64_t>(options.headBytes, length) : length;
    bytes.clear();
    for (;;) {
        bool bWhole = false;
        try {
            bWhole = ReadOn(*file, want, bytes) || bytes.size() == length;
        } catch (const CFileException& e) {
            return unusable(e.what());
        }
        if (options.progress) options.progress(bytes.size(), length);
        // Outside the try: what the sink throws is its own.
        if (sink.OnDemMember(path, OwnNameOfPath(path), bytes, bWhole) || bWhole) return true;
        want = std::min<uint64_t>(want * 2, length);
    }
}

}  // namespace

DemWalkResult WalkDemSources(const std::vector<DemSource>& sources, IDemMemberSink& sink,
                             const DemWalkOptions& options) {
    DemWalkResult result;
    std::vector<uint8_t> bytes;  // reused from one DEM file to the next
    for (size_t i = 0; i < sources.size(); ++i) {
        const DemSource& source = sources[i];
        if (options.stopRequested && options.stopRequested()) {
            result.outcome = DemWalkOutcome::kStopped;
            return result;
        }
        if (options.onSource) options.onSource(i);
        if (OwnNameOfPath(source.path).compare(0, 2, "._") == 0) {
            sink.OnSkipped(SayDem(DemText::kAppleDouble, {source.path}));
        } else if (source.bZip) {
            const DemWalkResult zip = WalkDemZip(source.path, sink, options);
            result.demMembers += zip.demMembers;
            result.outcome = zip.outcome;
            result.reason = zip.reason;
        } else if (HandOnDemFile(source.path, sink, options, bytes, result)) {
            ++result.demMembers;
        }
        if (result.outcome != DemWalkOutcome::kCompleted) return result;
    }
    return result;
}
