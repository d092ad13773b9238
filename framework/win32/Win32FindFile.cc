// Directory search on Win32: the system's own matching and order, by the
// wide functions; names come back in the process's system text.
#include <windows.h>

#include "framework/FindFile.h"
#include "framework/win32/WideText.h"

struct CFindFile::Impl {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data;
    std::string name;
};

CFindFile::CFindFile() = default;
CFindFile::~CFindFile() { Close(); }

bool CFindFile::FindFirst(const std::string& pattern) {
    Close();
    auto impl = std::make_unique<Impl>();
    impl->handle = FindFirstFileW(WidePath(pattern).c_str(), &impl->data);
    if (impl->handle == INVALID_HANDLE_VALUE) return false;
    impl->name = NarrowPath(impl->data.cFileName);
    m_impl = std::move(impl);
    return true;
}

bool CFindFile::FindNext() {
    if (!m_impl || !FindNextFileW(m_impl->handle, &m_impl->data)) return false;
    m_impl->name = NarrowPath(m_impl->data.cFileName);
    return true;
}

const std::string& CFindFile::GetFileName() const {
    static const std::string kNone;
    return m_impl ? m_impl->name : kNone;
}

void CFindFile::Close() {
    if (m_impl && m_impl->handle != INVALID_HANDLE_VALUE) FindClose(m_impl->handle);
    m_impl.reset();
}
