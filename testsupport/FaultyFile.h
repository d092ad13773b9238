#pragma once

#include "framework/Exception.h"
#include "framework/File.h"

// Wraps a CFile and makes one chosen operation fail: the n-th call (counted
// from 1) of the chosen kind throws CFileException as a failing disk would.
class CFaultyFile final : public CFile {
  public:
    CFaultyFile(CFile& inner, CFileException::Op failing, int nth)
        : m_inner(inner), m_failing(failing), m_nth(nth) {}

    uint32_t Read(void* buffer, uint32_t count) override {
        Count(CFileException::Op::kRead);
        return m_inner.Read(buffer, count);
    }
    void Seek(int64_t position) override {
        Count(CFileException::Op::kSeek);
        m_inner.Seek(position);
    }
    void Write(const void* buffer, uint32_t count) override {
        Count(CFileException::Op::kWrite);
        m_inner.Write(buffer, count);
    }
    uint64_t GetLength() override {
        Count(CFileException::Op::kLength);
        return m_inner.GetLength();
    }
    void Sync() override {
        Count(CFileException::Op::kSync);
        m_inner.Sync();
    }
    void Close() override {
        Count(CFileException::Op::kClose);
        m_inner.Close();
    }
    const std::string& GetFilePath() const override { return m_inner.GetFilePath(); }

  private:
    void Count(CFileException::Op op) {
        if (op == m_failing && --m_nth == 0)
            throw CFileException(op, GetFilePath(), "injected failure");
    }

    CFile& m_inner;
    CFileException::Op m_failing;
    int m_nth;
};

// Wraps a CFile and fails every positioned read (or write) at one position,
// as a bad sector under one block would.
class CBadBlockFile final : public CFile {
  public:
    CBadBlockFile(CFile& inner, int64_t bad, CFileException::Op failing = CFileException::Op::kRead)
        : m_inner(inner), m_bad(bad), m_failing(failing) {}

    uint32_t Read(void* buffer, uint32_t count) override { return m_inner.Read(buffer, count); }
    void Seek(int64_t position) override { m_inner.Seek(position); }
    void Write(const void* buffer, uint32_t count) override { m_inner.Write(buffer, count); }
    uint64_t GetLength() override { return m_inner.GetLength(); }
    void Sync() override { m_inner.Sync(); }
    void Close() override { m_inner.Close(); }
    const std::string& GetFilePath() const override { return m_inner.GetFilePath(); }
    uint32_t ReadAt(int64_t position, void* buffer, uint32_t count) override {
        Check(position, CFileException::Op::kRead);
        return m_inner.ReadAt(position, buffer, count);
    }
    void WriteAt(int64_t position, const void* buffer, uint32_t count) override {
        Check(position, CFileException::Op::kWrite);
        m_inner.WriteAt(position, buffer, count);
    }

  private:
    void Check(int64_t position, CFileException::Op op) const {
        if (position == m_bad && op == m_failing)
            throw CFileException(op, GetFilePath(), "injected bad block");
    }

    CFile& m_inner;
    int64_t m_bad;
    CFileException::Op m_failing;
};
