#include "dem/DemArchive.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "correction/TempFile.h"
#include "dem/DemTexts.h"
#include "framework/Console.h"
#include "framework/Cp932Text.h"
#include "framework/Exception.h"
#include "framework/TextEncoding.h"

namespace {

constexpr size_t kChunk = 64 * 1024;

struct ArchiveFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveFree>;

// A reader of the zip format alone. libarchive does not tell whether a name
// carried the UTF-8 flag; a second reader whose unflagged names are taken as
// UTF-16BE does: every unflagged name comes out of it changed (its bytes
// pair up into other characters, or fail to), every flagged one the same.
ArchivePtr NewZipReader(bool unflaggedAsUtf16) {
    ArchivePtr zip(archive_read_new());
    if (!zip) throw std::bad_alloc();
    archive_read_support_format_zip(zip.get());
    if (unflaggedAsUtf16 &&
        archive_read_set_format_option(zip.get(), "zip", "hdrcharset", "UTF-16BE") != ARCHIVE_OK) {
        throw CException(SayDem(DemText::kZipNamesRefused, {archive_error_string(zip.get())}));
    }
    return zip;
}

// The outer zip as libarchive reads it, through the framework's file. Each
// reader keeps its own position, so that two can share one file. Errors of
// the file layer cannot pass through libarchive: they are kept here and the
// read fails.
struct CFileSource {
    CFileSource(CFile& file_, uint64_t length_, std::function<void(uint64_t, uint64_t)> progress_)
        : file(file_), length(length_), progress(std::move(progress_)) {}

    CFile& file;
    uint64_t length;
    std::function<void(uint64_t, uint64_t)> progress;  // empty for the names reader
    int64_t position = 0;
    uint64_t bytesRead = 0;
    std::vector<uint8_t> buffer = std::vector<uint8_t>(kChunk);
    std::string error;

    static la_ssize_t Read(archive*, void* data, const void** out) {
        auto& self = *static_cast<CFileSource*>(data);
        try {
            const uint32_t got = self.file.ReadAt(self.position, self.buffer.data(), kChunk);
            self.position += got;
            self.bytesRead += got;
            if (self.progress) self.progress(std::min(self.bytesRead, self.length), self.length);
            *out = self.buffer.data();
            return got;
        } catch (const CException& e) {
            self.error = e.what();
            return -1;
        }
    }
    static la_int64_t Seek(archive*, void* data, la_int64_t offset, int whence) {
        auto& self = *static_cast<CFileSource*>(data);
        const int64_t base = whence == SEEK_CUR   ? self.position
                             : whence == SEEK_END ? static_cast<int64_t>(self.length)
                                                  : 0;
        if (offset < -base) return ARCHIVE_FATAL;
        self.position = base + offset;
        return self.position;
    }
    static la_int64_t Skip(archive*, void* data, la_int64_t request) {
        auto& self = *static_cast<CFileSource*>(data);
        const int64_t left = static_cast<int64_t>(self.length) - self.position;
        const int64_t skipped = std::max<int64_t>(0, std::min<int64_t>(request, left));
        self.position += skipped;
        return skipped;
    }

    int Open(archive* zip) {
        archive_read_set_callback_data(zip, this);
        archive_read_set_read_callback(zip, &Read);
        archive_read_set_seek_callback(zip, &Seek);
        archive_read_set_skip_callback(zip, &Skip);
        return archive_read_open1(zip);
    }
};

// The member's name in code page 932: converted when flagged as UTF-8, the
// stored bytes otherwise. seenAsUtf16 is the names reader's form of it.
std::string MemberName(archive_entry* entry, const char* seenAsUtf16) {
    const char* stored = archive_entry_pathname(entry);
    const bool flagged =
        stored == nullptr || (seenAsUtf16 != nullptr && std::strcmp(stored, seenAsUtf16) == 0);
    if (!flagged) return stored;
    const char* utf8 = archive_entry_pathname_utf8(entry);
    return Utf8ToCp932(utf8 != nullptr ? utf8 : stored != nullptr ? stored : "");
}

class CZipWalk {
  public:
    CZipWalk(IDemMemberSink& sink, const DemWalkOptions& options)
        : m_sink(sink), m_options(options) {}

    // Walks the outer zip; m_result says how it ended.
    void WalkOuter(CFile& file, const std::string& zipName);

    DemWalkResult m_result;

  private:
    // Walks the zip's members; false when the walk ends here, stopped or
    // unusable (m_result says which).
    bool Walk(archive* zip, archive* names, const std::string& zipName, int level);
    bool Stopped();
    bool Fail(std::string reason);
    bool Damaged(archive* zip, const std::string& name);
    bool OverLimit(archive_entry* entry, const std::string& name);
    bool ReadMember(archive* zip, const std::string& name, size_t want, std::vector<uint8_t>& bytes,
                    bool& bWhole);
    bool HandOnMember(archive* zip, const std::string& name, const std::string& fileName);
    bool WalkInner(archive* zip, archive_entry* entry, const std::string& name, int level);
    bool WalkSpilled(archive* zip, const std::string& name, int level);
    static const char* NextName(archive*& names);

    IDemMemberSink& m_sink;
    const DemWalkOptions& m_options;
    const std::string* m_pSourceError = nullptr;  // the outer file's, once it failed
    std::vector<uint8_t> m_member;                // reused from one DEM member to the next
};

bool CZipWalk::Stopped() {
    if (!m_options.stopRequested || !m_options.stopRequested()) return false;
    m_result.outcome = DemWalkOutcome::kStopped;
    return true;
}

bool CZipWalk::Fail(std::string reason) {
    m_result.outcome = DemWalkOutcome::kUnusable;
    m_result.reason = std::move(reason);
    return false;
}

bool CZipWalk::Damaged(archive* zip, const std::string& name) {
    if (m_pSourceError != nullptr && !m_pSourceError->empty()) return Fail(*m_pSourceError);
    const char* why = archive_error_string(zip);
    return Fail(why != nullptr ? SayDem(DemText::kZipDamaged, {name, why})
                               : SayDem(DemText::kZipUnreadable, {name}));
}

// The next name of the names reader; null once it fails, for good.
const char* CZipWalk::NextName(archive*& names) {
    archive_entry* entry = nullptr;
    if (names == nullptr) return nullptr;
    if (archive_read_next_header(names, &entry) < ARCHIVE_WARN) {
        names = nullptr;
        return nullptr;
    }
    return archive_entry_pathname(entry);
}

// True when the zip's directory gives the member a size over the limit
// (the walk then ends here); the bytes it inflates to are checked as well.
bool CZipWalk::OverLimit(archive_entry* entry, const std::string& name) {
    if (!archive_entry_size_is_set(entry) ||
        static_cast<uint64_t>(archive_entry_size(entry)) <= m_options.memberLimit)
        return false;
    Fail(SayDem(DemText::kMemberTooLarge, {name, LimitText(m_options.memberLimit)}));
    return true;
}

// Inflates more of the member onto bytes, until they hold want bytes or all
// of it (bWhole then).
bool CZipWalk::ReadMember(archive* zip, const std::string& name, size_t want,
                          std::vector<uint8_t>& bytes, bool& bWhole) {
    const uint64_t limit = m_options.memberLimit;
    bWhole = false;
    while (bytes.size() < want) {
        if (Stopped()) return false;
        const size_t before = bytes.size();
        // One byte past the limit is enough to see that a member is over it.
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(kChunk, limit - before + 1));
        bytes.resize(before + chunk);
        const la_ssize_t got = archive_read_data(zip, bytes.data() + before, chunk);
        bytes.resize(before + static_cast<size_t>(std::max<la_ssize_t>(got, 0)));
        if (got < 0) return Damaged(zip, name);
        if (got == 0) {
            bWhole = true;
            return true;
        }
        if (bytes.size() > limit)
            return Fail(SayDem(DemText::kMemberTooLarge, {name, LimitText(limit)}));
    }
    return true;
}

// Hands the DEM member on, whole or as much of it as the sink asks for; the
// rest is skipped without inflating it.
bool CZipWalk::HandOnMember(archive* zip, const std::string& name, const std::string& fileName) {
    size_t want = m_options.headBytes > 0 ? m_options.headBytes : SIZE_MAX;
    bool bWhole = false;
    m_member.clear();
    for (;;) {
        if (!ReadMember(zip, name, want, m_member, bWhole)) return false;
        if (m_sink.OnDemMember(name, fileName, m_member, bWhole) || bWhole) break;
        want = m_member.size() * 2;
    }
    ++m_result.demMembers;
    if (!bWhole && archive_read_data_skip(zip) < ARCHIVE_WARN) return Damaged(zip, name);
    return true;
}

bool CZipWalk::WalkInner(archive* zip, archive_entry* entry, const std::string& name, int level) {
    if (!archive_entry_size_is_set(entry) ||
        static_cast<uint64_t>(archive_entry_size(entry)) > m_options.innerInMemory)
        return WalkSpilled(zip, name, level);
    std::vector<uint8_t> bytes;
    bool bWhole = false;
    if (!ReadMember(zip, name, SIZE_MAX, bytes, bWhole)) return false;
    ArchivePtr inner = NewZipReader(false);
    if (archive_read_open_memory(inner.get(), bytes.data(), bytes.size()) != ARCHIVE_OK)
        return Damaged(inner.get(), name);
    ArchivePtr names = NewZipReader(true);
    if (archive_read_open_memory(names.get(), bytes.data(), bytes.size()) != ARCHIVE_OK)
        names.reset();
    return Walk(inner.get(), names.get(), name, level + 1);
}

bool CZipWalk::WalkSpilled(archive* zip, const std::string& name, int level) {
    // Two readers go through the zip, the names reader beside the other, so
    // it must be sought in: it is copied out as it inflates, 64 KiB at a time.
    const auto unspillable = [&](const CFileException& e) {
        return Fail(SayDem(DemText::kCannotSpill, {name, e.Reason()}));
    };
    std::unique_ptr<CTempFile> spill;
    try {
        spill = std::make_unique<CTempFile>("zelvorin-zip-");
    } catch (const CFileException& e) {
        return unspillable(e);
    }
    std::vector<uint8_t> chunk(kChunk);
    uint64_t length = 0;
    for (;;) {
        if (Stopped()) return false;
        const la_ssize_t got = archive_read_data(zip, chunk.data(), chunk.size());
        if (got < 0) return Damaged(zip, name);
        if (got == 0) break;
        length += static_cast<uint64_t>(got);
        if (length > m_options.memberLimit)
            return Fail(SayDem(DemText::kMemberTooLarge, {name, LimitText(m_options.memberLimit)}));
        try {
            spill->File().Write(chunk.data(), static_cast<uint32_t>(got));
        } catch (const CFileException& e) {
            return unspillable(e);
        }
    }
    CFileSource source{spill->File(), length, nullptr};
    ArchivePtr inner = NewZipReader(false);
    const std::string* outerError = m_pSourceError;
    m_pSourceError = &source.error;  // a read of the copy fails as the zip's
    bool walked = source.Open(inner.get()) == ARCHIVE_OK;
    if (!walked) {
        Damaged(inner.get(), name);
    } else {
        CFileSource nameSource{spill->File(), length, nullptr};
        ArchivePtr names = NewZipReader(true);
        if (nameSource.Open(names.get()) != ARCHIVE_OK) names.reset();
        walked = Walk(inner.get(), names.get(), name, level + 1);
    }
    m_pSourceError = outerError;
    return walked;
}

void CZipWalk::WalkOuter(CFile& file, const std::string& zipName) {
    // Flagged names come out of libarchive in the thread's multibyte
    // encoding, whatever locale the process runs in: UTF-8 on POSIX, code
    // page 932 on Windows.
    const CNameTextScope nameText(CNameTextScope::Mode::kUtf8);
    uint64_t length = 0;
    try {
        length = file.GetLength();
    } catch (const CFileException& e) {
        Fail(e.what());
        return;
    }
    CFileSource source{file, length, m_options.progress};
    m_pSourceError = &source.error;
    ArchivePtr zip = NewZipReader(false);
    if (source.Open(zip.get()) != ARCHIVE_OK) {
        Damaged(zip.get(), zipName);
        return;
    }
    CFileSource nameSource{file, length, nullptr};
    ArchivePtr names = NewZipReader(true);
    if (nameSource.Open(names.get()) != ARCHIVE_OK) names.reset();
    Walk(zip.get(), names.get(), zipName, 1);
}

bool CZipWalk::Walk(archive* zip, archive* names, const std::string& zipName, int level) {
    for (;;) {
        if (Stopped()) return false;
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(zip, &entry);
        if (status == ARCHIVE_EOF) return true;
        if (status < ARCHIVE_WARN) return Damaged(zip, zipName);
        const std::string member = MemberName(entry, NextName(names));
        // Shown in system text, as the zip's own path is.
        const std::string name = zipName + ":" + NativeFromCp932(member);
        if (archive_entry_filetype(entry) == AE_IFDIR) continue;
        if (IsAppleDouble(member)) {
            m_sink.OnSkipped(SayDem(DemText::kAppleDouble, {name}));
        } else if (HasExtension(member, ".xml")) {
            if (OverLimit(entry, name) || !HandOnMember(zip, name, OwnFileName(member)))
                return false;
        } else if (HasExtension(member, ".zip")) {
            if (level == kDemZipLevels) return Fail(SayDem(DemText::kFourthZipLevel, {name}));
            if (OverLimit(entry, name) || !WalkInner(zip, entry, name, level)) return false;
        } else {
            m_sink.OnSkipped(SayDem(DemText::kNeitherDemNorZip, {name}));
        }
    }
}

}  // namespace

std::string LimitText(uint64_t limit) {
    if (limit % (uint64_t{1} << 20) == 0) return std::to_string(limit >> 20) + " MiB";
    return SayDem(DemText::kBytes, {std::to_string(limit)});
}

bool HasExtension(const std::string& name, const char* extension) {
    const size_t size = std::strlen(extension);
    return name.size() >= size &&
           CompareIgnoringAsciiCase(std::string_view(name).substr(name.size() - size), extension) ==
               0;
}

std::string OwnFileName(const std::string& memberName) {
    size_t start = 0;
    for (size_t i = 0; i < memberName.size(); i += Cp932CharLength(memberName, i)) {
        if (memberName[i] == '/' || memberName[i] == '\\') start = i + 1;
    }
    return memberName.substr(start);
}

DemWalkResult WalkDemZip(CFile& file, const std::string& displayName, IDemMemberSink& sink,
                         const DemWalkOptions& options) {
    CZipWalk walk(sink, options);
    walk.WalkOuter(file, displayName);
    return walk.m_result;
}

DemWalkResult WalkDemZip(const std::string& path, IDemMemberSink& sink,
                         const DemWalkOptions& options) {
    std::unique_ptr<CFile> file;
    try {
        file = OpenFile(path, FileAccess::kReadShared);
    } catch (const CFileException& e) {
        DemWalkResult result;
        result.outcome = DemWalkOutcome::kUnusable;
        result.reason = e.what();
        return result;
    }
    return WalkDemZip(*file, path, sink, options);
}

bool IsAppleDouble(const std::string& memberName) {
    if (OwnFileName(memberName).compare(0, 2, "._") == 0) return true;
    const std::string folder = "__MACOSX";
    return memberName.compare(0, folder.size() + 1, folder + "/") == 0 ||
           memberName.find("/" + folder + "/") != std::string::npos;
}
