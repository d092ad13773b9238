#include "tools/SideFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "framework/Exception.h"
#include "framework/File.h"
#include "tools/ReliefPicture.h"

namespace {

constexpr int kExitUndoFile = 8;
constexpr int kExitOutputFile = 9;

// True when a and b name one file: the same path, or the same existing file
// by two names.
bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

CSideFiles::~CSideFiles() {
    if (m_report != nullptr) std::fclose(m_report);
}

std::optional<CSideFiles::Collision> CSideFiles::FindCollision() const {
    // What the run reads, then what it writes: no output may be any of them.
    std::vector<std::pair<std::string, std::string>> taken = {{m_line.mapPath, "the map"}};
    std::error_code ec;
    if (m_line.meshArgs.size() > 1 || std::filesystem::is_regular_file(m_line.meshArgs[0], ec))
        for (const auto& mesh : m_line.meshArgs) taken.push_back({mesh, "a mesh file"});
    const struct {
        const std::string& path;
        const char* what;
        int status;
    } outputs[] = {{m_line.strUndo, "the undo file", kExitUndoFile},
                   {m_line.strReport, "the report", kExitOutputFile},
                   {m_line.strPicture, "the picture", kExitOutputFile}};
    for (const auto& output : outputs) {
        if (output.path.empty()) continue;
        for (const auto& [other, otherWhat] : taken)
            if (SameFile(output.path, other))
                return Collision{
                    std::string(output.what) + " " + output.path + " would overwrite " + otherWhat,
                    output.status};
        taken.push_back({output.path, output.what});
    }
    return std::nullopt;
}

std::optional<int> CSideFiles::Open() {
    if (const auto collision = FindCollision()) {
        std::fprintf(stderr, "zelvorin-correct: %s\n", collision->what.c_str());
        return collision->status;
    }
    if (!m_line.strUndo.empty()) {
        try {
            m_undo = OpenFile(m_line.strUndo, FileAccess::kCreateNew);
        } catch (const CFileException& error) {
            std::fprintf(stderr, "zelvorin-correct: cannot create the undo file %s: %s\n",
                         m_line.strUndo.c_str(), error.Reason().c_str());
            return kExitUndoFile;
        }
    }
    // The picture's check leaves nothing behind, so it comes before the
    // report, which creating truncates.
    std::string why;
    if (!m_line.strPicture.empty() && !CReliefPicture::CanCreate(m_line.strPicture, why)) {
        why = "the picture " + m_line.strPicture + ": " + why;
    } else if (!m_line.strReport.empty()) {
        m_report = std::fopen(m_line.strReport.c_str(), "w");
        if (m_report == nullptr)
            why = "the report " + m_line.strReport + ": " + std::strerror(errno);
    }
    if (why.empty()) return std::nullopt;
    std::fprintf(stderr, "zelvorin-correct: cannot create %s\n", why.c_str());
    DropUndo();
    return kExitOutputFile;
}

void CSideFiles::DropUndo() {
    if (!m_undo) return;
    m_undo.reset();
    std::error_code ec;
    std::filesystem::remove(m_line.strUndo, ec);
}

bool CSideFiles::CloseReport() {
    if (m_report == nullptr) return true;
    const bool written = std::ferror(m_report) == 0 && std::fflush(m_report) == 0;
    const int error = errno;
    const bool closed = std::fclose(m_report) == 0;
    m_report = nullptr;
    if (written && closed) return true;
    std::fprintf(stderr, "zelvorin-correct: cannot write the report %s: %s\n",
                 m_line.strReport.c_str(), std::strerror(written ? errno : error));
    return false;
}
