#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/File.h"

// The national DEM as delivered: zips of GML files (".xml"), often zips of
// zips. A walk reads a zip and the zips inside it, and hands on every DEM
// member's bytes under a display name that joins the outer zip's path and
// the member names with ':' ("outer.zip:inner.zip:dir/a.xml").

// The most bytes one member may inflate to. A real DEM member packs about
// 200 to 1, so a cap on the bytes, not on the ratio, is what bounds memory.
constexpr uint64_t kDemMemberLimit = uint64_t{512} << 20;

// The largest zip inside a zip that a walk reads in memory, by the size the
// outer zip's directory gives it; a larger one, or one of a size not given,
// is copied to a temporary file and read there, so that memory stays bounded
// whatever a download holds.
constexpr uint64_t kDemInnerInMemory = uint64_t{16} << 20;

// How deep zips nest at most: the outer zip, a zip in it, a zip in that.
constexpr int kDemZipLevels = 3;

// How many bytes of a DEM member a walk for heads hands on first.
constexpr size_t kDemHeadBytes = 64 * 1024;

// Receives what a walk finds, in the archive's order.
class IDemMemberSink {
  public:
    virtual ~IDemMemberSink() = default;
    // A DEM member: its display name, its own file name (after the last
    // '/' or '\\' of the member name) and its bytes, valid only during the
    // call: all of them when bWhole, else its first bytes (a walk with
    // DemWalkOptions::headBytes). True when done with the member; false asks
    // for more of it, and the call comes again with at least twice as many,
    // up to the whole. When bWhole the sink may keep the bytes by swapping
    // them for a vector of its own, which the walk clears and reads the next
    // member into. May throw; the walk then ends with the exception.
    virtual bool OnDemMember(const std::string& displayName, const std::string& fileName,
                             std::vector<uint8_t>& bytes, bool bWhole) = 0;
    // A member passed over (neither ".xml" nor ".zip"), with the warning to
    // show.
    virtual void OnSkipped(const std::string& warning) = 0;
};

struct DemWalkOptions {
    uint64_t memberLimit = kDemMemberLimit;
    uint64_t innerInMemory = kDemInnerInMemory;
    // 0: each DEM member is handed on whole. Otherwise its first headBytes
    // (or all of it when it is shorter), then more as the sink asks; the rest
    // is skipped without being inflated, and damage there goes unseen.
    size_t headBytes = 0;
    // Asked between members and every 64 KiB inflated: true ends the walk.
    std::function<bool()> stopRequested;
    // Bytes of the outer zip read so far (at most its length), and its length.
    std::function<void(uint64_t read, uint64_t total)> progress;
    // Before each source is walked: its place in the list.
    std::function<void(size_t source)> onSource;
};

enum class DemWalkOutcome { kCompleted, kStopped, kUnusable };

struct DemWalkResult {
    DemWalkOutcome outcome = DemWalkOutcome::kCompleted;
    // With kUnusable, why, after the display name of the zip or member at
    // fault, in the user's language (DemTexts.h): "a.zip:b.zip: damaged zip:
    // ...", "...: member larger than 512 MiB", "...: fourth level of zips", or
    // the file layer's message.
    std::string reason;
    int64_t demMembers = 0;  // handed to the sink
};

// Walks the zip at path, opened through the framework's file layer. Members
// named "*.xml" (any case) go to the sink; "*.zip" members are walked in
// turn, down to kDemZipLevels; folders are passed over in silence and other
// members with a warning. Names flagged as UTF-8 are given in code page 932,
// others byte for byte as stored. A zip that cannot be read whole, a member
// over the limit (by the size the zip's directory gives, or by the bytes it
// inflates to) or a fourth level makes the source unusable: the sink has
// then seen the members before it.
DemWalkResult WalkDemZip(const std::string& path, IDemMemberSink& sink,
                         const DemWalkOptions& options);

// The same over an open file, shown under displayName.
DemWalkResult WalkDemZip(CFile& file, const std::string& displayName, IDemMemberSink& sink,
                         const DemWalkOptions& options);

// A limit as the reasons give it: "512 MiB", or "1000 bytes" in the user's
// language when it is no whole number of MiB.
std::string LimitText(uint64_t limit);

// True when the name ends in the extension (".xml"), the case of ASCII
// letters ignored.
bool HasExtension(const std::string& name, const char* extension);

// The name after its last '/' or '\\' (a second byte of a double-byte
// character is no separator).
std::string OwnFileName(const std::string& memberName);

// True for what Mac OS leaves beside a file in a zip or a folder: its
// resource data under "__MACOSX/", or in a file whose own name begins with
// "._" (AppleDouble). Such files carry a DEM's name but no DEM.
bool IsAppleDouble(const std::string& memberName);
