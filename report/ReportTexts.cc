#include "report/ReportTexts.h"

#include "framework/UiLanguage.h"

namespace {

// In the order of ReportText; the Japanese texts are stored in code page 932.
const TextPair kTexts[] = {
    {"zelvorin-correct: warning: %1 holds no record line",
     "zelvorin-correct: 警告: %1 にはレコード行がありません"},
    {"zelvorin-correct: warning: %1: %2 is not a second-level mesh code",
     "zelvorin-correct: 警告: %1: %2 は２次メッシュコードではありません"},
    {"zelvorin-correct: warning: %1 wrote only part of its cells: the map lists some of its "
     "tiles with blocks past the end of the file, which is cut short or damaged",
     "zelvorin-correct: 警告: %1 はセルの一部だけを書きました: 地図はそのタイルのいくつかを"
     "ファイルの終わりより先のブロックに置いています (ファイルが途中で切れているか壊れています)"},
    {"zelvorin-correct: warning: %1 wrote no cell: %2",
     "zelvorin-correct: 警告: %1 はセルを１つも書きませんでした: %2"},
    {"its square lies outside the map", "その区画は地図の範囲の外です"},
    {"the map lists its tiles with blocks past the end of the file, which is cut short or "
     "damaged",
     "地図はそのタイルをファイルの終わりより先のブロックに置いています (ファイルが途中で切れて"
     "いるか壊れています)"},
    {"its tiles are not in the map's index", "そのタイルは地図の索引にありません"},
    {"it received no cell from the DEM", "DEM から値を受けたセルがありません"},
    {"zelvorin-correct: the cells changed are not known: some tiles could not be written",
     "zelvorin-correct: 書き込めなかったタイルがあるため、変わったセルの数はわかりません"},
    {"zelvorin-correct: %1 cell%s1 %2 in %3 tile%s3%4%5",
     "zelvorin-correct: %3 タイルの %1 セルが%2%4%5"},
    {"would change", "変わります"},
    {"changed", "変わりました"},
    {" (may be off: a mesh file changed during the run)",
     " (実行中にメッシュファイルが変わったため、ずれているかもしれません)"},
    {" (dry run: the map was not written)", " (試行: 地図には書き込んでいません)"},
    {"zelvorin-correct: warning: mesh square %1 wrote no cell: %2",
     "zelvorin-correct: 警告: メッシュ区画 %1 はセルを１つも書きませんでした: %2"},
    {"zelvorin-correct: warning: mesh square %1 wrote only part of its cells: the map lists some "
     "of its tiles with blocks past the end of the file, which is cut short or damaged",
     "zelvorin-correct: 警告: メッシュ区画 %1 はセルの一部だけを書きました: 地図はそのタイルの"
     "いくつかをファイルの終わりより先のブロックに置いています (ファイルが途中で切れているか"
     "壊れています)"},
    {"the PNG encoder failed (%1)", "PNG の書き出しに失敗しました (%1)"},
    {"out of memory", "メモリが足りません"},
    {"the file shrank", "ファイルが小さくなりました"},
};
static_assert(sizeof kTexts / sizeof kTexts[0] == static_cast<size_t>(ReportText::kCount),
              "one pair of texts for each id");

}  // namespace

const TextPair& ReportTextPair(ReportText id) { return kTexts[static_cast<size_t>(id)]; }

std::string SayReport(ReportText id, const std::vector<std::string>& args) {
    return InUserLanguage(ReportTextPair(id), args);
}
