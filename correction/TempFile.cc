#include "correction/TempFile.h"

#include <random>

#include "correction/AppendPath.h"
#include "framework/Exception.h"
#include "framework/FileSystem.h"
#include "framework/SystemMessage.h"

CTempFile::CTempFile(const std::string& stem) {
    const std::string folder = TempFolder();
    // No folder to make it in: "not found", which is error 2 on both
    // platforms.
    if (folder.empty()) throw CFileException(CFileException::Op::kOpen, stem, AfxSystemMessage(2));
    std::random_device seed;
    for (int attempt = 0;; ++attempt) {
        std::string path = folder;
        AppendPath(path, stem + std::to_string(seed()) + ".tmp");
        try {
            m_file = OpenFile(path, FileAccess::kCreateTemporary);
            return;
        } catch (const CFileException&) {
            if (attempt == 7) throw;
        }
    }
}

CTempFile::~CTempFile() {
    try {
        m_file->Close();
    } catch (const std::exception&) {
    }
}
