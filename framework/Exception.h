#pragma once

#include <exception>
#include <string>

// Base of the exceptions the framework throws. Callers that must survive any
// framework failure catch this type.
class CException : public std::exception {
  public:
    explicit CException(std::string message) : m_strMessage(std::move(message)) {}
    const char* what() const noexcept override { return m_strMessage.c_str(); }

  private:
    std::string m_strMessage;
};

// A failed operation on a file: carries the operation, the path and the
// system's own description of the error.
class CFileException : public CException {
  public:
    enum class Op { kOpen, kRead, kSeek, kWrite, kLength, kClose, kSync, kRename };

    CFileException(Op op, const std::string& path, const std::string& reason);

    Op Operation() const { return m_op; }
    const std::string& Path() const { return m_strPath; }
    const std::string& Reason() const { return m_strReason; }

    static const char* OperationName(Op op);

  private:
    Op m_op;
    std::string m_strPath;
    std::string m_strReason;
};
