#include "testsupport/CFileWrapper.h"

uint32_t CFileWrapper::Read(void* buffer, uint32_t count) { return m_wrapped.Read(buffer, count); }

void CFileWrapper::Seek(int64_t position) { m_wrapped.Seek(position); }

void CFileWrapper::Write(const void* buffer, uint32_t count) { m_wrapped.Write(buffer, count); }

uint64_t CFileWrapper::GetLength() { return m_wrapped.GetLength(); }

void CFileWrapper::Sync() { m_wrapped.Sync(); }

uint32_t CFileWrapper::ReadAt(int64_t position, void* buffer, uint32_t count) {
    return m_wrapped.ReadAt(position, buffer, count);
}

void CFileWrapper::WriteAt(int64_t position, const void* buffer, uint32_t count) {
    m_wrapped.WriteAt(position, buffer, count);
}

bool CFileWrapper::ReadAtIsThreadSafe() const { return m_wrapped.ReadAtIsThreadSafe(); }

void CFileWrapper::Close() { m_wrapped.Close(); }

const std::string& CFileWrapper::GetFilePath() const { return m_wrapped.GetFilePath(); }
