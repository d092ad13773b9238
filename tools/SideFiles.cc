#include "tools/SideFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "correction/MeshFileSource.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FileIdentity.h"
#include "framework/Wildcard.h"
#include "report/ReliefPicture.h"

namespace {

constexpr int kExitUndoFile = 8;
constexpr int kExitOutputFile = 9;

// Where a path leads: absolute, through every link, also one that leads
// nowhere yet (a file created there goes to its target), and through every
// ".." and ".".
std::filesystem::path PlaceOf(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path place = fs::absolute(path, ec);
    for (int links = 0; links < 40 && fs::is_symlink(place, ec); ++links) {
        const fs::path target = fs::read_symlink(place, ec);
        if (ec) break;
        place = target.is_absolute() ? target : place.parent_path() / target;
    }
    const fs::path resolved = fs::weakly_canonical(place, ec);
    return ec ? place.lexically_normal() : resolved;
}

// True when two outputs name one file: the same file by any name, or, where
// it does not exist yet, the same place.
bool SameOutput(const std::string& a, const std::string& b) {
    const auto idA = IdentifyFile(a);
    if (idA && idA == IdentifyFile(b)) return true;
    return PlaceOf(a) == PlaceOf(b);
}

}  // namespace

CSideFiles::~CSideFiles() {
    if (m_report != nullptr) std::fclose(m_report);
}

std::optional<CSideFiles::Collision> CSideFiles::FindCollision(IMeshFileSource& meshes) const {
    // What the run reads: the map and every mesh file the run would open, a
    // folder's included, each by identity where it exists and by the place
    // its name leads to, where an output would land too.
    struct Input {
        std::optional<FileIdentity> id;
        std::filesystem::path place;
        std::string what;
    };
    std::vector<Input> inputs = {
        {IdentifyFile(m_line.mapPath), PlaceOf(m_line.mapPath), "the map"}};
    for (bool more = meshes.First(); more; more = meshes.Next()) {
        const std::string path = meshes.EntryPath();
        inputs.push_back({IdentifyFile(path), PlaceOf(path), "the mesh file " + path});
    }
    meshes.Close();

    const struct {
        const std::string& path;
        const char* what;
        int status;
    } outputs[] = {{m_line.strUndo, "the undo file", kExitUndoFile},
                   {m_line.strReport, "the report", kExitOutputFile},
                   {m_line.strPicture, "the picture", kExitOutputFile}};
    // A folder's mesh files are found when the run starts: an output that
    // would be one of them is one, though it does not exist yet.
    std::optional<std::filesystem::path> folder;
    std::error_code ec;
    if (m_line.meshArgs.size() == 1 && std::filesystem::is_directory(m_line.meshArgs[0], ec))
        folder = PlaceOf(m_line.meshArgs[0]);
    std::vector<std::pair<std::string, std::string>> written;  // outputs before this one
    for (const auto& output : outputs) {
        if (output.path.empty()) continue;
        std::string overwritten;
        const auto id = IdentifyFile(output.path);
        const std::filesystem::path place = PlaceOf(output.path);
        for (const Input& input : inputs)
            if (overwritten.empty() && ((id && id == input.id) || place == input.place))
                overwritten = input.what;
        if (overwritten.empty() && folder && place.parent_path() == *folder &&
            MatchesWildcard(kMeshPattern, place.filename().string()))
            overwritten = "a mesh file of " + m_line.meshArgs[0] + ", where the run would read it";
        for (const auto& [other, what] : written)
            if (overwritten.empty() && SameOutput(output.path, other)) overwritten = what;
        if (!overwritten.empty())
            return Collision{
                std::string(output.what) + " " + output.path + " would overwrite " + overwritten,
                output.status};
        written.push_back({output.path, output.what});
    }
    return std::nullopt;
}

std::optional<int> CSideFiles::Open(IMeshFileSource& meshes) {
    if (const auto collision = FindCollision(meshes)) {
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
        m_report = std::fopen(m_line.strReport.c_str(), "wb");  // the same bytes on every system
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
