#include "correction/MeshFileSource.h"

#include "correction/AppendPath.h"

int IMeshFileSource::CountEntries() {
    int count = 0;
    if (First()) {
        do ++count;
        while (Next());
    }
    Close();
    return count;
}

CFolderMeshFiles::CFolderMeshFiles(std::string folder) : m_strFolder(std::move(folder)) {}

bool CFolderMeshFiles::First() {
    std::string pattern = m_strFolder;
    AppendPath(pattern, kMeshPattern);
    return m_find.FindFirst(pattern);
}

std::string CFolderMeshFiles::EntryPath() const {
    std::string path = m_strFolder;
    AppendPath(path, m_find.GetFileName());
    return path;
}

bool CListedMeshFiles::First() {
    m_current = 0;
    return !m_paths.empty();
}

bool CListedMeshFiles::Next() {
    if (m_current + 1 >= m_paths.size()) return false;
    ++m_current;
    return true;
}

std::string CListedMeshFiles::EntryName() const {
    const std::string& path = m_paths[m_current];
    const size_t cut = path.find_last_of(NativePaths().separator);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}
