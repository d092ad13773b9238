#pragma once

#include "framework/Exception.h"
#include "framework/File.h"
#include "testsupport/CFileWrapper.h"

// Wraps a CFile and makes one chosen operation fail: the n-th call (counted
// from 1) of the chosen kind throws CFileException as a failing disk would.
class CFaultyFile final : public CFileWrapper {
  public:
    CFaultyFile(CFile& inner, CFileException::Op failing, int nth)
        : CFileWrapper(inner), m_failing(failing), m_nth(nth) {}

    uint32_t Read(void* buffer, uint32_t count) override {
        Count(CFileException::Op::kRead);
        return CFileWrapper::Read(buffer, count);
    }
    void Seek(int64_t position) override {
        Count(CFileException::Op::kSeek);
        CFileWrapper::Seek(position);
    }
    void Write(const void* buffer, uint32_t count) override {
        Count(CFileException::Op::kWrite);
        CFileWrapper::Write(buffer, count);
    }
    uint64_t GetLength() override {
        Count(CFileException::Op::kLength);
        return CFileWrapper::GetLength();
    }
    void Sync() override {
        Count(CFileException::Op::kSync);
        CFileWrapper::Sync();
    }
    void Close() override {
        Count(CFileException::Op::kClose);
        CFileWrapper::Close();
    }
    // A positioned read or write is a seek and a read or write here, each
    // counted, so that a failing seek or read fails it too.
    uint32_t ReadAt(int64_t position, void* buffer, uint32_t count) override {
        return CFile::ReadAt(position, buffer, count);
    }
    void WriteAt(int64_t position, const void* buffer, uint32_t count) override {
        CFile::WriteAt(position, buffer, count);
    }
    // Those go through the one current position, so only one thread may
    // read at a time.
    bool ReadAtIsThreadSafe() const override { return false; }

  private:
    void Count(CFileException::Op op) {
        if (op == m_failing && --m_nth == 0)
            throw CFileException(op, GetFilePath(), "injected failure");
    }

    CFileException::Op m_failing;
    int m_nth;
};

// Wraps a CFile and fails every positioned read (or write) at one position,
// as a bad sector under one block would.
class CBadBlockFile final : public CFileWrapper {
  public:
    CBadBlockFile(CFile& inner, int64_t bad, CFileException::Op failing = CFileException::Op::kRead)
        : CFileWrapper(inner), m_bad(bad), m_failing(failing) {}

    uint32_t ReadAt(int64_t position, void* buffer, uint32_t count) override {
        Check(position, CFileException::Op::kRead);
        return CFileWrapper::ReadAt(position, buffer, count);
    }
    void WriteAt(int64_t position, const void* buffer, uint32_t count) override {
        Check(position, CFileException::Op::kWrite);
        CFileWrapper::WriteAt(position, buffer, count);
    }
    // Reads stay on the caller's thread, whatever the wrapped file allows:
    // the bad block throws where the caller asked for it.
    bool ReadAtIsThreadSafe() const override { return false; }

  private:
    void Check(int64_t position, CFileException::Op op) const {
        if (position == m_bad && op == m_failing)
            throw CFileException(op, GetFilePath(), "injected bad block");
    }

    int64_t m_bad;
    CFileException::Op m_failing;
};
