#include "framework/Exception.h"

#include "framework/UiLanguage.h"

namespace {

// The operation's name in the user's language, for the message.
std::string OperationInUserLanguage(CFileException::Op op) {
    using Op = CFileException::Op;
    switch (op) {
        case Op::kOpen:
            return InUserLanguage({"open", "オープン"}, {});
        case Op::kRead:
            return InUserLanguage({"read", "読み込み"}, {});
        case Op::kSeek:
            return InUserLanguage({"seek", "シーク"}, {});
        case Op::kWrite:
            return InUserLanguage({"write", "書き込み"}, {});
        case Op::kLength:
            return InUserLanguage({"size query", "サイズの取得"}, {});
        case Op::kClose:
            return InUserLanguage({"close", "クローズ"}, {});
        case Op::kSync:
            return InUserLanguage({"sync", "ディスクへの同期"}, {});
        case Op::kRename:
            return InUserLanguage({"rename", "名前の変更"}, {});
    }
    return InUserLanguage({"file operation", "ファイル操作"}, {});
}

}  // namespace

CFileException::CFileException(Op op, const std::string& path, const std::string& reason)
    : CException(InUserLanguage({"%1 failed: %2: %3", "%2 の%1に失敗しました: %3"},
                                {OperationInUserLanguage(op), path, reason})),
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
