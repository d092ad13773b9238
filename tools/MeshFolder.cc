#include "tools/MeshFolder.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "correction/AppendPath.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FileSystem.h"
#include "framework/FindFile.h"

namespace {

// The largest piece handed to one write.
constexpr size_t kWriteChunk = 1u << 20;

}  // namespace

CMeshFolder::State CMeshFolder::Look() const {
    switch (KindOfPath(m_strPath)) {
        case PathKind::kMissing:
            return State::kMissing;
        case PathKind::kFolder:
            break;
        default:
            return State::kNotAFolder;
    }
    CFindFile find;
    for (bool found = find.FindFirst(PathOf("*")); found; found = find.FindNext()) {
        const std::string& name = find.GetFileName();
        if (name != "." && name != "..") return State::kNotEmpty;
    }
    return State::kEmpty;
}

bool CMeshFolder::Make(std::string& why) const { return MakeFolder(m_strPath, why); }

std::string CMeshFolder::PathOf(const std::string& name) const {
    std::string path = m_strPath;
    AppendPath(path, name);
    return path;
}

std::string CMeshFolder::Write(int32_t meshCode, const std::string& text) const {
    char code[16];
    std::snprintf(code, sizeof code, "%06d", static_cast<int>(meshCode));
    const std::string path = PathOf(std::string(code) + ".mem");
    // The part's last extension is not "mem", nor does it begin so: Windows
    // matches "*.mem" against short names too, whose extension is the first
    // three letters of the last one.
    const std::string part = PathOf("." + std::string(code) + ".mem.part");
    std::unique_ptr<CFile> file = OpenFile(part, FileAccess::kCreateNew);
    try {
        for (size_t done = 0; done < text.size(); done += kWriteChunk) {
            const size_t n = std::min(kWriteChunk, text.size() - done);
            file->Write(text.data() + done, static_cast<uint32_t>(n));
        }
        file->Sync();
        file->Close();
    } catch (const CFileException&) {
        file.reset();
        RemoveFile(part);
        throw;
    }
    std::string why;
    if (!RenameFile(part, path, why)) {
        RemoveFile(part);
        throw CFileException(CFileException::Op::kRename, path, why);
    }
    return path;
}
