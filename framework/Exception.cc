#include "framework/Exception.h"

CFileException::CFileException(Op op, const std::string& path, const std::string& reason)
    : CException(std::string(OperationName(op)) + " failed: " + path + ": " + reason),
      m_op(op),
      m_strPath(path),
      m_strReason(reason) {}

const char* CFileException::OperationName(Op op) {
    switch (op) {
        case Op::kOpen:
            return "open";
        case Op::kRead:
            return "read";
        case Op::kSeek:
            return "seek";
        case Op::kWrite:
            return "write";
        case Op::kLength:
            return "size query";
        case Op::kClose:
            return "close";
        case Op::kSync:
            return "sync";
        case Op::kRename:
            return "rename";
    }
    return "file operation";
}
