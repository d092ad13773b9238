#include "tools/SideFiles.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "correction/MeshFileSource.h"
#include "dem/DemArchive.h"
#include "framework/Console.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FileIdentity.h"
#include "framework/FileSystem.h"
#include "framework/Wildcard.h"
#include "report/ReliefPicture.h"
#include "tools/CorrectStatus.h"
#include "tools/ToolCommon.h"
#include "tools/ToolTexts.h"
#include "undo/UndoFile.h"

namespace {

// True when two outputs name one file: the same file by any name, or, where
// it does not exist yet, the same place.
bool SameOutput(const std::string& a, const std::string& b) {
    const auto idA = IdentifyFile(a);
    if (idA && idA == IdentifyFile(b)) return true;
    return PlaceOfPath(a) == PlaceOfPath(b);
}

}  // namespace

CSideFiles::~CSideFiles() {
    if (m_report != nullptr) std::fclose(m_report);
}

std::optional<CSideFiles::Collision> CSideFiles::FindCollision(IMeshFileSource& meshes,
                                                               Sources kind) const {
    // What the run reads: the map and every mesh file the run would open, a
    // folder's included, each by identity where it exists and by the place
    // its name leads to, where an output would land too.
    struct Input {
        std::optional<FileIdentity> id;
        std::string place;
        std::string what;
    };
    std::vector<Input> inputs = {
        {IdentifyFile(m_line.mapPath), PlaceOfPath(m_line.mapPath), Say(ToolText::kTheMap)}};
    for (bool more = meshes.First(); more; more = meshes.Next()) {
        const std::string path = meshes.EntryPath();
        inputs.push_back(
            {IdentifyFile(path), PlaceOfPath(path),
             Say(kind == Sources::kDem ? ToolText::kTheDemSource : ToolText::kTheMeshFile,
                 {path})});
    }
    meshes.Close();

    const struct {
        const std::string& path;
        ToolText what;
        int status;
    } outputs[] = {{m_line.strUndo, ToolText::kTheUndoFile, kExitUndoFile},
                   {m_line.strReport, ToolText::kTheReport, kExitOutputFile},
                   {m_line.strPicture, ToolText::kThePicture, kExitOutputFile}};
    // A folder's mesh files are found when the run starts: an output that
    // would be one of them is one, though it does not exist yet. A DEM
    // folder's files are too, and an output among them would be read by the
    // next run from that folder.
    std::vector<std::pair<std::string, std::string>> folders;  // place, operand
    for (const std::string& operand : m_line.meshArgs)
        if (KindOfPath(operand) == PathKind::kFolder)
            folders.emplace_back(PlaceOfPath(operand), operand);
    const auto read = [&](const std::string& place) -> std::string {
        const std::string name = NameOfPlace(place);
        for (const auto& [folder, operand] : folders) {
            if (FolderOfPlace(place) != folder) continue;
            if (kind == Sources::kMeshFiles && MatchesWildcard(kMeshPattern, name))
                return Say(ToolText::kAMeshFileOf, {operand});
            if (kind == Sources::kDem && (HasExtension(name, ".xml") || HasExtension(name, ".zip")))
                return Say(ToolText::kADemFileOf, {operand});
        }
        return {};
    };
    std::vector<std::pair<std::string, std::string>> written;  // outputs before this one
    for (const auto& output : outputs) {
        if (output.path.empty()) continue;
        std::string overwritten;
        const auto id = IdentifyFile(output.path);
        const std::string place = PlaceOfPath(output.path);
        for (const Input& input : inputs)
            if (overwritten.empty() && ((id && id == input.id) || place == input.place))
                overwritten = input.what;
        if (overwritten.empty()) overwritten = read(place);
        for (const auto& [other, what] : written)
            if (overwritten.empty() && SameOutput(output.path, other)) overwritten = what;
        const std::string what = Say(output.what);
        if (!overwritten.empty())
            return Collision{Say(ToolText::kWouldOverwrite, {what, output.path, overwritten}),
                             output.status};
        written.push_back({output.path, what});
    }
    return std::nullopt;
}

std::optional<int> CSideFiles::Open(IMeshFileSource& sources, Sources kind) {
    if (const auto collision = FindCollision(sources, kind)) {
        Tell(collision->what);
        return collision->status;
    }
    if (!m_line.strUndo.empty()) {
        try {
            m_undo = CreateUndoFile(m_line.strUndo);
        } catch (const CFileException& error) {
            Tell(Say(ToolText::kCannotCreateUndo, {m_line.strUndo, error.Reason()}));
            return kExitUndoFile;
        }
    }
    // The picture's check leaves nothing behind, so it comes before the
    // report, which creating truncates.
    std::string why;
    if (!m_line.strPicture.empty() && !CReliefPicture::CanCreate(m_line.strPicture, why)) {
        why = Say(ToolText::kCannotCreatePicture, {m_line.strPicture, why});
    } else if (!m_line.strReport.empty()) {
        m_report = OpenCFile(m_line.strReport, "wb");  // the same bytes on every system
        if (m_report == nullptr)
            why = Say(ToolText::kCannotCreateReport, {m_line.strReport, std::strerror(errno)});
    }
    if (why.empty()) return std::nullopt;
    Tell(why);
    DropUndo();
    return kExitOutputFile;
}

void CSideFiles::DropUndo() {
    if (!m_undo) return;
    m_undo.reset();
    RemoveFile(m_line.strUndo);
}

bool CSideFiles::CloseReport() {
    if (m_report == nullptr) return true;
    const bool written = std::ferror(m_report) == 0 && std::fflush(m_report) == 0;
    const int error = errno;
    const bool closed = std::fclose(m_report) == 0;
    m_report = nullptr;
    if (written && closed) return true;
    Tell(Say(ToolText::kCannotWriteReport,
             {m_line.strReport, std::strerror(written ? errno : error)}));
    return false;
}
