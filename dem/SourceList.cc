#include "dem/SourceList.h"

#include "correction/AppendPath.h"
#include "correction/MeshFileSource.h"
#include "dem/DemArchive.h"
#include "dem/DemTexts.h"
#include "framework/FileSystem.h"
#include "framework/FindFile.h"

namespace {

// The names a directory search of folder for mask finds, joined to folder,
// in the search's order, if keep takes them.
template <typename Keep>
std::vector<std::string> FindPaths(const std::string& folder, const char* mask, Keep keep) {
    std::vector<std::string> paths;
    std::string pattern = folder;
    AppendPath(pattern, mask);
    CFindFile find;
    if (find.FindFirst(pattern)) {
        do {
            if (!keep(find.GetFileName())) continue;
            std::string path = folder;
            AppendPath(path, find.GetFileName());
            paths.push_back(std::move(path));
        } while (find.FindNext());
    }
    find.Close();
    return paths;
}

class CSorter {
  public:
    // Adds one operand; false when the command line is wrong, as m_list says.
    bool Add(const std::string& operand, bool lone);
    SourceList m_list;
    std::string m_strEmptyFolder;  // the first folder that gave nothing

  private:
    bool Take(SourceKind kind, const std::string& operand);
    bool AddFolder(const std::string& folder);

    std::string m_strFirst;  // the operand that set the kind
};

bool CSorter::Take(SourceKind kind, const std::string& operand) {
    if (m_strFirst.empty()) {
        m_strFirst = operand;
        m_list.kind = kind;
        return true;
    }
    if (kind == m_list.kind) return true;
    const bool meshFirst = m_list.kind == SourceKind::kMesh;
    m_list.status = SourceList::Status::kUsageError;
    m_list.message = SayDem(DemText::kMixedKinds,
                            {meshFirst ? m_strFirst : operand, meshFirst ? operand : m_strFirst});
    return false;
}

bool CSorter::AddFolder(const std::string& folder) {
    FolderSources found = SourcesInFolder(folder);
    // A folder of both kinds is as wrong as operands of both: one stray
    // mesh file must not turn a DEM folder's run into a mesh run.
    if (!found.meshPaths.empty() && !found.demSources.empty()) {
        Take(SourceKind::kMesh, found.meshPaths.front());
        return Take(SourceKind::kDem, found.demSources.front().path);
    }
    if (!found.meshPaths.empty()) {
        if (!Take(SourceKind::kMesh, folder)) return false;
        for (auto& path : found.meshPaths) m_list.meshPaths.push_back(std::move(path));
        return true;
    }
    if (found.demSources.empty()) {
        if (m_strEmptyFolder.empty()) m_strEmptyFolder = folder;
        return true;
    }
    if (!Take(SourceKind::kDem, folder)) return false;
    for (auto& source : found.demSources) m_list.demSources.push_back(std::move(source));
    return true;
}

bool CSorter::Add(const std::string& operand, bool lone) {
    const PathKind kind = KindOfPath(operand);
    if (kind == PathKind::kFolder) return AddFolder(operand);
    if (lone && kind == PathKind::kMissing) {
        m_list.status = SourceList::Status::kNoSources;
        m_list.message = SayDem(DemText::kDoesNotExist, {operand});
        return false;
    }
    const bool zip = HasExtension(operand, ".zip");
    if (zip || HasExtension(operand, ".xml")) {
        if (!Take(SourceKind::kDem, operand)) return false;
        m_list.demSources.push_back({operand, zip});
        return true;
    }
    // Any other file is a mesh file, whatever its name, as files named one
    // by one always were: one that is none fails when it is read.
    if (!Take(SourceKind::kMesh, operand)) return false;
    m_list.meshPaths.push_back(operand);
    return true;
}

}  // namespace

FolderSources SourcesInFolder(const std::string& folder) {
    FolderSources found;
    found.meshPaths = FindPaths(folder, kMeshPattern, [](const std::string&) { return true; });
    const std::vector<std::string> dems = FindPaths(folder, "*", [](const std::string& name) {
        return HasExtension(name, ".xml") || HasExtension(name, ".zip");
    });
    for (const auto& path : dems) found.demSources.push_back({path, HasExtension(path, ".zip")});
    return found;
}

SourceList ListSources(const std::vector<std::string>& operands) {
    CSorter sorter;
    for (const auto& operand : operands) {
        if (!sorter.Add(operand, operands.size() == 1)) return sorter.m_list;
    }
    if (!sorter.m_strEmptyFolder.empty()) {
        sorter.m_list.status = SourceList::Status::kNoSources;
        sorter.m_list.message = SayDem(DemText::kFolderHoldsNeither, {sorter.m_strEmptyFolder});
    } else if (operands.empty()) {
        sorter.m_list.status = SourceList::Status::kNoSources;
        sorter.m_list.message = SayDem(DemText::kNoSourceGiven);
    }
    return sorter.m_list;
}
