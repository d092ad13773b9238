#include "framework/MemoryFile.h"

#include <algorithm>
#include <cstring>

#include "framework/Exception.h"

void CMemoryFile::CheckOpen(CFileException::Op op) const {
    if (m_bClosed) throw CFileException(op, m_strPath, "file is closed");
}

uint32_t CMemoryFile::Read(void* buffer, uint32_t count) {
    CheckOpen(CFileException::Op::kRead);
    if (m_pos >= m_bytes.size()) return 0;
    const uint64_t n = std::min<uint64_t>(count, m_bytes.size() - m_pos);
    std::memcpy(buffer, m_bytes.data() + m_pos, n);
    m_pos += n;
    return static_cast<uint32_t>(n);
}

void CMemoryFile::Seek(int64_t position) {
    CheckOpen(CFileException::Op::kSeek);
    if (position < 0)
        throw CFileException(CFileException::Op::kSeek, m_strPath, "negative position");
    m_pos = static_cast<uint64_t>(position);
}

void CMemoryFile::Write(const void* buffer, uint32_t count) {
    CheckOpen(CFileException::Op::kWrite);
    if (count == 0) return;
    if (m_pos + count > m_bytes.size()) m_bytes.resize(m_pos + count);
    std::memcpy(m_bytes.data() + m_pos, buffer, count);
    m_pos += count;
}

uint64_t CMemoryFile::GetLength() {
    CheckOpen(CFileException::Op::kLength);
    return m_bytes.size();
}

void CMemoryFile::Close() {
    CheckOpen(CFileException::Op::kClose);
    m_bClosed = true;
}
