#include "tools/ToolTexts.h"

#include "framework/UiLanguage.h"

namespace {

// In the order of ToolText; the Japanese texts are stored in code page 932.
const TextPair kTexts[] = {
    {"zelvorin-correct: %1", "zelvorin-correct: %1"},
    {"interrupted", "中断しました"},
    {"terminated", "終了を求められました"},
    {"zelvorin-correct: cannot use mesh file %1%2; later files were not applied",
     "zelvorin-correct: メッシュファイル %1 を使えません%2。以降のファイルは適用していません"},
    {"zelvorin-correct: %1; later files were not applied",
     "zelvorin-correct: %1。以降のファイルは適用していません"},
    {"zelvorin-correct: %1 while reading %2; it and later files were not applied",
     "zelvorin-correct: %2 を読む途中で%1。このファイルと以降のファイルは適用していません"},
    {"zelvorin-correct: %1 does not exist", "zelvorin-correct: %1 はありません"},
    {"zelvorin-correct: %1 holds no mesh file (*.mem)",
     "zelvorin-correct: %1 にメッシュファイル (*.mem) がありません"},
    {"zelvorin-correct: cannot open the map %1%2", "zelvorin-correct: 地図 %1 を開けません%2"},
    {"zelvorin-correct: cannot correct the map %1%2",
     "zelvorin-correct: 地図 %1 は訂正できません%2"},
    {"zelvorin-correct: the tile index of %1 does not fit in memory",
     "zelvorin-correct: %1 のタイル索引がメモリに収まりません"},
    {"zelvorin-correct: the map holds exactly the files applied before the failure",
     "zelvorin-correct: 地図には失敗の前に適用したファイルだけが書き込まれています"},
    {"zelvorin-correct: some tiles could not be written: the map may hold only part of the "
     "files applied",
     "zelvorin-correct: 書き込めなかったタイルがあります: 地図には適用したファイルの一部だけが"
     "書き込まれているかもしれません"},
    {"; %1 --restore %2 %3 puts it back as it was before the run",
     "。%1 --restore %2 %3 で実行前の状態に戻せます"},
    {"%1 mesh file%s1 read; dry run: the map was not written",
     "%1 個のメッシュファイルを読みました。試行のため地図には書き込んでいません。"},
    {"%1: cannot write to standard output: it is closed",
     "%1: 標準出力に書けません: 閉じられています"},
    {"%1: cannot write to standard output: %2", "%1: 標準出力に書けません: %2"},
    {"zelvorin-correct: no cell was written, so no picture",
     "zelvorin-correct: 書き込んだセルがないため画像は作りません"},
    {"zelvorin-correct: no cell was written, so no picture: the older %1 was removed",
     "zelvorin-correct: 書き込んだセルがないため画像は作りません: 以前の %1 は削除しました"},
    {"zelvorin-correct: no cell was written, so no picture: %1 is no picture and was left as it "
     "is",
     "zelvorin-correct: 書き込んだセルがないため画像は作りません: %1 "
     "は画像ではないのでそのままにしました"},
    {"zelvorin-correct: cannot write the picture %1: %2",
     "zelvorin-correct: 画像 %1 を書けません: %2"},
    {"zelvorin-correct: %1 block%s1 restored into %2",
     "zelvorin-correct: %1 個のブロックを %2 に戻しました"},
    {"zelvorin-correct: %1 after restoring %2 of %3 blocks into %4; run the same restore again "
     "to complete it",
     "zelvorin-correct: %4 に %3 個中 %2 個のブロックを戻したところで%1。同じ復元をもう一度"
     "実行すると完了します"},
    {"zelvorin-correct: cannot open the map %1", "zelvorin-correct: 地図を開けません: %1"},
    {"zelvorin-correct: restoring failed after %1 of %2 blocks into %3: %4",
     "zelvorin-correct: %3 に %2 個中 %1 個のブロックを戻したところで復元に失敗しました: %4"},
    {"zelvorin-correct: undo file refused, map untouched: %1; undo the later runs first, "
     "newest first, or restore with --force to overwrite their changes",
     "zelvorin-correct: 取り消しファイルは使えません (地図はそのままです): %1。後の実行を新しい"
     "ものから順に取り消すか、--force で復元してそれらの変更を上書きしてください"},
    {"zelvorin-correct: undo file refused, map untouched: %1; it is in the undo files' first "
     "format, which a power loss during the run can leave refused so: if the power failed "
     "during that run, restore with --force; otherwise undo the later runs first, newest first",
     "zelvorin-correct: 取り消しファイルは使えません (地図はそのままです): %1。このファイルは"
     "最初の形式のもので、実行中の停電でもこうなることがあります。その実行中に停電したなら "
     "--force で復元し、そうでなければ後の実行を新しいものから順に取り消してください"},
    {"zelvorin-correct: %1: nothing to restore; the map was left as it was",
     "zelvorin-correct: %1: 戻すものはありません。地図はそのままです"},
    {"zelvorin-correct: undo file refused, map untouched: %1",
     "zelvorin-correct: 取り消しファイルは使えません (地図はそのままです): %1"},
    {"%1: cannot open /dev/null for a closed standard stream",
     "%1: 閉じられた標準ストリームに /dev/null を開けません"},
    {"Try '%1 --help'.", "使い方は '%1 --help' で表示されます。"},
    {"zelvorin-correct: the run failed: %1", "zelvorin-correct: 実行に失敗しました: %1"},
    {"the undo file", "取り消しファイル"},
    {"the report", "レポート"},
    {"the picture", "画像"},
    {"the map", "地図"},
    {"the mesh file %1", "メッシュファイル %1"},
    {"a mesh file of %1, where the run would read it", "実行が読むはずの %1 のメッシュファイル"},
    {"a DEM file of %1, where a run would read it", "実行が読むはずの %1 の DEM ファイル"},
    {"the DEM source %1", "DEM の入力 %1"},
    {"zelvorin-correct: %1 %2 would overwrite %3", "zelvorin-correct: %1 %2 は%3を上書きします"},
    {"zelvorin-correct: cannot create the undo file %1: %2",
     "zelvorin-correct: 取り消しファイル %1 を作れません: %2"},
    {"zelvorin-correct: cannot create the picture %1: %2",
     "zelvorin-correct: 画像 %1 を作れません: %2"},
    {"zelvorin-correct: cannot create the report %1: %2",
     "zelvorin-correct: レポート %1 を作れません: %2"},
    {"zelvorin-correct: cannot write the report %1: %2",
     "zelvorin-correct: レポート %1 を書けません: %2"},
    {"zelvorin-correct: the result could not be written: %1",
     "zelvorin-correct: 結果を書けませんでした: %1"},
    {"zelvorin-correct: cannot write the undo file %1: %2",
     "zelvorin-correct: 取り消しファイル %1 を書けません: %2"},
    {"option %1 needs a value", "オプション %1 には値が要ります"},
    {"unknown option %1", "%1 というオプションはありません"},
    {"option --%1 needs a file name, not an empty one",
     "オプション --%1 には空でないファイル名が要ります"},
    {"--restore takes no other option than --force",
     "--restore と一緒に使えるオプションは --force だけです"},
    {"--restore UNDO takes the map alone", "--restore UNDO には地図だけを指定します"},
    {"--force goes with --restore only", "--force は --restore と一緒にだけ使えます"},
    {"a map and a folder or mesh files are needed",
     "地図と、フォルダかメッシュファイルを指定してください"},
    {"a dry run writes nothing to undo: --dry-run and --undo do not mix",
     "試行では取り消すものを書かないため --dry-run と --undo は一緒に使えません"},
    {"--map-datum takes tokyo or jgd, not '%1'",
     "--map-datum には tokyo か jgd を指定します ('%1' は使えません)"},
    {"%1: the map's datum is %2: the DEM differs from the map by %3 m (RMS, over %4 cells) on "
     "tokyo "
     "and by %5 m (over %6 cells) on jgd",
     "%1: 地図の測地系は %2 です: DEM と地図の差 (二乗平均平方根) は tokyo で %3 m (%4 セル)、jgd "
     "で "
     "%5 m (%6 セル) です"},
    {"%1: warning: the DEM fits the map better on the other datum than on %2, given: %3 m (RMS, "
     "over %4 cells) on tokyo, %5 m (over %6 cells) on jgd; the run goes on with %2",
     "%1: 警告: DEM は指定された %2 よりもう一方の測地系によく合います: tokyo で %3 m (%4 セル), "
     "jgd で %5 m (%6 セル)。%2 のまま続けます"},
    {"%1: the DEM does not tell the map's datum: it differs from the map by %2 m (RMS, over %3 "
     "cells) on tokyo and by %4 m (over %5 cells) on jgd; give --map-datum tokyo or --map-datum "
     "jgd",
     "%1: DEM からは地図の測地系がわかりません: 地図との差 (二乗平均平方根) は tokyo で %2 m (%3 "
     "セル)、jgd で %4 m (%5 セル) です。--map-datum tokyo か --map-datum jgd を指定してください"},
    {"%1: the DEM covers too few of the map's cells to tell its datum (%3 on tokyo, %5 on jgd; 200 "
     "are needed); give --map-datum tokyo or --map-datum jgd",
     "%1: 地図の測地系を決めるには DEM が覆う地図のセルが少なすぎます (tokyo で %3、jgd で %5。200 "
     "必要です)。--map-datum tokyo か --map-datum jgd を指定してください"},
    {"%1: %2 while the sources were read for the map's datum; nothing was written",
     "%1: 地図の測地系を決めるために DEM を読む途中で%2。何も書き込んでいません"},
    {"%1: cannot use %2; nothing was written", "%1: %2 を使えません。何も書き込んでいません"},
    {"zelvorin-correct: warning: the DEM gives %1 cells a height below -99 m or above 9999 m, "
     "which "
     "the map does not hold as a height: they keep their values",
     "zelvorin-correct: 警告: DEM は %1 セルに -99 m 未満か 9999 m を超える標高を与えます。地図は"
     "それを標高として持てないため、それらのセルは元の値のままです"},
    {"--map-datum goes with DEM sources only: mesh files are placed as they are",
     "--map-datum は DEM と一緒にだけ使えます (メッシュファイルはそのまま置かれます)"},
    {"zelvorin-correct: cannot use DEM file %1%2; later squares were not applied",
     "zelvorin-correct: DEM ファイル %1 を使えません%2。以降の区画は適用していません"},
    {"zelvorin-correct: cannot use %1; the map was not touched",
     "zelvorin-correct: %1 を使えません。地図には触れていません"},
    {"zelvorin-correct: the sources hold no DEM file of a known type",
     "zelvorin-correct: 指定された中に使える DEM ファイルがありません"},
    {"zelvorin-correct: %1 while the sources were first read; the map was not touched",
     "zelvorin-correct: DEM を下読みする途中で%1。地図には触れていません"},
    {"zelvorin-correct: warning: %1", "zelvorin-correct: 警告: %1"},
    {"%1 mesh square%s1 written from %2 DEM file%s2",
     "%2 個の DEM ファイルから %1 区画を訂正しました。"},
    {"%1 mesh square%s1 resampled from %2 DEM file%s2; dry run: the map was not written",
     "%2 個の DEM ファイルから %1 区画を作りました。試行のため地図には書き込んでいません。"},
    {"%1: unexpected failure while %2: %3", "%1: %2の途中で予期しない失敗がありました: %3"},
    {"reading the command line", "コマンド行の解釈"},
    {"looking at the sources", "入力の確認"},
    {"correcting the map", "地図の訂正"},
    {"restoring the map", "地図の復元"},
    {"writing the report or picture", "報告または画像の書き込み"},
    {"writing the mesh files", "メッシュファイルの書き込み"},
    {"%1: the map was not touched", "%1: 地図には触れていません"},
    {"%1: no mesh file was written", "%1: メッシュファイルは書いていません"},
    {"%1: the map holds exactly what was applied before the failure",
     "%1: 地図には失敗の前に適用した分だけが書き込まれています"},
    {"%1: the same restore run again completes it", "%1: 同じ復元をもう一度実行すると完了します"},
    {"%1: the map was corrected", "%1: 地図の訂正は済んでいます"},
    {"%1: the files written before stand complete", "%1: それまでに書いたファイルは完全です"},
    {"out of memory", "メモリが足りません"},
    {"a failure of unknown kind", "種類のわからない失敗です"},
    {"%1 mesh file%s1 read and applied to the map",
     "%1 個のメッシュファイルを読み込んで地図を訂正しました。"},
    {"no mesh file was applied", "メッシュファイルは１つも適用していません。"},
    {"zelvorin-correct: reading or writing the map failed, so the run was stopped: %1",
     "zelvorin-correct: 地図の読み書きに失敗したため、訂正を中断しました: %1"},
    {"zelvorin-correct: an error stopped the run: %1",
     "zelvorin-correct: エラーが起きたため、訂正を中断しました: %1"},
    {"Usage: ", "使い方: "},
};
static_assert(sizeof kTexts / sizeof kTexts[0] == static_cast<size_t>(ToolText::kCount),
              "one pair of texts for each id");

}  // namespace

const TextPair& ToolTextPair(ToolText id) { return kTexts[static_cast<size_t>(id)]; }

std::string Say(ToolText id, const std::vector<std::string>& args) {
    return InUserLanguage(ToolTextPair(id), args);
}
