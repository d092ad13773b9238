#include "undo/UndoTexts.h"

#include "framework/UiLanguage.h"

namespace {

// In the order of UndoText; the Japanese texts are stored in code page 932.
const TextPair kTexts[] = {
    {"holds %1 of the %2 blocks and %3 of the %4 records committed to it: it was cut short or "
     "damaged",
     "確定した %2 個のブロックのうち %1 個、%4 個のレコードのうち %3 個しかありません: 途中で"
     "切れているか壊れています"},
    {"checks the block at byte %1 before saving it",
     "%1 バイト目のブロックを保存する前に検査しています"},
    {"saves the block at byte %1, past the map's end at %2",
     "地図の終わり (%2 バイト目) より先にある %1 バイト目のブロックを保存しています"},
    {"saves the block at byte %1, which is not a block of the map's index",
     "地図の索引にない %1 バイト目のブロックを保存しています"},
    {"saves the block at byte %1 twice", "%1 バイト目のブロックを２回保存しています"},
    {"its commit does not match its records", "確定の記録がレコードと合いません"},
    {"its head is damaged: the map shows that a commit it recorded is lost (the block at byte %1 "
     "was written after it)",
     "先頭部分が壊れています: 記録された確定が失われていることが地図からわかります (%1 バイト目"
     "のブロックはその後に書かれています)"},
    {"%1: its run never wrote the map", "%1: これを作った実行は地図に書き込んでいません"},
    {"%1: not an undo file", "%1: 取り消しファイルではありません"},
    {"%1: an undo file of format %2, which this version cannot read",
     "%1: 形式 %2 の取り消しファイルで、この版では読めません"},
    {"%1: damaged before its first block", "%1: 最初のブロックより前が壊れています"},
    {"%1: made for another map than %2", "%1: %2 とは別の地図のために作られたものです"},
    {"%1 was changed after the run that made %2 (the block at byte %3)",
     "%2 を作った実行の後で %1 が変更されています (%3 バイト目のブロック)"},
    {"header cut short", "ヘッダが途中で切れています"},
    {"index cut short", "索引が途中で切れています"},
};
static_assert(sizeof kTexts / sizeof kTexts[0] == static_cast<size_t>(UndoText::kCount),
              "one pair of texts for each id");

}  // namespace

const TextPair& UndoTextPair(UndoText id) { return kTexts[static_cast<size_t>(id)]; }

std::string SayUndo(UndoText id, const std::vector<std::string>& args) {
    return InUserLanguage(UndoTextPair(id), args);
}
