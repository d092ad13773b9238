#pragma once

#include <cstdint>
#include <string>

#include "framework/File.h"

// A CFile that passes every call on to the file it wraps, unchanged: a test
// double derives from it and overrides only the calls it changes. The
// wrapped file is not owned and must outlive the wrapper.
class CFileWrapper : public CFile {
  public:
    explicit CFileWrapper(CFile& wrapped) : m_wrapped(wrapped) {}

    uint32_t Read(void* buffer, uint32_t count) override;
    void Seek(int64_t position) override;
    void Write(const void* buffer, uint32_t count) override;
    uint64_t GetLength() override;
    void Sync() override;
    uint32_t ReadAt(int64_t position, void* buffer, uint32_t count) override;
    void WriteAt(int64_t position, const void* buffer, uint32_t count) override;
    bool ReadAtIsThreadSafe() const override;
    void Close() override;
    const std::string& GetFilePath() const override;

  private:
    CFile& m_wrapped;
};
