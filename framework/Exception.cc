#include "framework/Exception.h"

#include "framework/UiLanguage.h"

namespace {

// Each operation's name in both languages, in the order of Op.
const TextPair kOperations[] = {
    {"open", "オープン"},         {"read", "読み込み"},           {"seek", "シーク"},
    {"write", "書き込み"},        {"size query", "サイズの取得"}, {"close", "クローズ"},
    {"sync", "ディスクへの同期"}, {"rename", "名前の変更"},
};
static_assert(sizeof kOperations / sizeof kOperations[0] ==
                  static_cast<size_t>(CFileException::Op::kRename) + 1,
              "a name for each operation");

const TextPair& OperationText(CFileException::Op op) {
    return kOperations[static_cast<size_t>(op)];
}

}  // namespace

CFileException::CFileException(Op op, const std::string& path, const std::string& reason)
    : CException(InUserLanguage({"%1 failed: %2: %3", "%2 の%1に失敗しました: %3"},
                                {InUserLanguage(OperationText(op), {}), path, reason})),
      m_op(op),
      m_strPath(path),
      m_strReason(reason) {}

const char* CFileException::OperationName(Op op) { return OperationText(op).english; }
