// Directory search on POSIX: reads the whole directory at FindFirst, keeps
// the matching names sorted, and hands them out one by one.
#include <dirent.h>

#include <algorithm>
#include <vector>

#include "framework/Cp932Text.h"
#include "framework/FindFile.h"
#include "framework/Wildcard.h"

struct CFindFile::Impl {
    std::vector<std::string> names;
    size_t current = 0;
};

CFindFile::CFindFile() = default;
CFindFile::~CFindFile() = default;

bool CFindFile::FindFirst(const std::string& pattern) {
    Close();
    const size_t slash = pattern.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
    const std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);

    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return false;
    auto impl = std::make_unique<Impl>();
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != ".." && MatchesWildcard(mask, name)) impl->names.push_back(name);
    }
    ::closedir(d);
    if (impl->names.empty()) return false;
    std::sort(impl->names.begin(), impl->names.end(),
              [](const std::string& a, const std::string& b) {
                  const int folded = CompareIgnoringAsciiCase(a, b);
                  return folded != 0 ? folded < 0 : a < b;
              });
    m_impl = std::move(impl);
    return true;
}

bool CFindFile::FindNext() {
    if (!m_impl || m_impl->current + 1 >= m_impl->names.size()) return false;
    ++m_impl->current;
    return true;
}

const std::string& CFindFile::GetFileName() const {
    static const std::string kNone;
    return m_impl ? m_impl->names[m_impl->current] : kNone;
}

void CFindFile::Close() { m_impl.reset(); }
