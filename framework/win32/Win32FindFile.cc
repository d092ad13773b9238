// Directory search on Win32: the system's own matching and order.
#include <windows.h>

#include "framework/FindFile.h"

struct CFindFile::Impl {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA data;
    std::string name;
};

CFindFile::CFindFile() = default;
CFindFile::~CFindFile() { Close(); }

bool CFindFile::FindFirst(const std::string& pattern) {
    Close();
    auto impl = std::make_unique<Impl>();
    impl->handle = FindFirstFileA(pattern.c_str(), &impl->data);
    if (impl->handle == INVALID_HANDLE_VALUE) return false;
    impl->name = impl->data.cFileName;
    m_impl = std::move(impl);
    return true;
}

bool CFindFile::FindNext() {
    if (!m_impl || !FindNextFileA(m_impl->handle, &m_impl->data)) return false;
    m_impl->name = m_impl->data.cFileName;
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
