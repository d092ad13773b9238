#include "tools/MemTexts.h"

#include "framework/UiLanguage.h"

namespace {

// In the order of MemText; the Japanese texts are stored in code page 932.
const TextPair kTexts[] = {
    {"zelvorin-mem: %1", "zelvorin-mem: %1"},
    {"--map MAP.dcm is needed: each file gives every cell of its square, so the cells the DEM "
     "does not cover take the map's own values",
     "--map MAP.dcm を指定してください。ファイルは区画のすべてのセルを書くため、DEM のないセルには"
     "地図の値を入れます"},
    {"an output folder and DEM sources are needed", "出力フォルダと DEM を指定してください"},
    {"the sources are mesh files already: zelvorin-mem makes them from the DEM's files and zips",
     "指定されたのはメッシュファイルです。zelvorin-mem は DEM のファイルと zip からメッシュ"
     "ファイルを作ります"},
    {"%1 is not a folder", "%1 はフォルダではありません"},
    {"%1 is not empty: the files go into a new or empty folder, which then holds this run's "
     "files alone",
     "%1 は空ではありません。ファイルは新しいか空のフォルダに書き、そこにはこの実行のファイル"
     "だけを置きます"},
    {"zelvorin-mem: cannot make the folder %1: %2", "zelvorin-mem: フォルダ %1 を作れません: %2"},
    {"zelvorin-mem: cannot open the map %1: %2", "zelvorin-mem: 地図 %1 を開けません: %2"},
    {"zelvorin-mem: cannot use the map %1: %2", "zelvorin-mem: 地図 %1 は使えません: %2"},
    {"zelvorin-mem: the tile index of %1 does not fit in memory",
     "zelvorin-mem: %1 のタイル索引がメモリに収まりません"},
    {"zelvorin-mem: the sources hold no DEM file of a known type",
     "zelvorin-mem: 指定された中に使える DEM ファイルがありません"},
    {"zelvorin-mem: cannot use %1; no file was written",
     "zelvorin-mem: %1 を使えません。ファイルは書いていません"},
    {"zelvorin-mem: %1 while the sources were first read; no file was written",
     "zelvorin-mem: DEM を下読みする途中で%1。ファイルは書いていません"},
    {"zelvorin-mem: warning: %1", "zelvorin-mem: 警告: %1"},
    {"zelvorin-mem: cannot use DEM file %1: %2; the files written before it are complete",
     "zelvorin-mem: DEM ファイル %1 を使えません: %2。それまでに書いたファイルは完全です"},
    {"zelvorin-mem: %1; the files written before are complete",
     "zelvorin-mem: %1。それまでに書いたファイルは完全です"},
    {"zelvorin-mem: %1 while reading %2; the files written before are complete",
     "zelvorin-mem: %2 を読む途中で%1。それまでに書いたファイルは完全です"},
    {"zelvorin-mem: %1; the files written before it are complete",
     "zelvorin-mem: %1。それまでに書いたファイルは完全です"},
    {"zelvorin-mem: warning: %1 cells that the DEM leaves to the map hold values no mesh file "
     "carries (below -99 or above 10000): their files give them no data or 9999 m",
     "zelvorin-mem: 警告: DEM が地図の値のままにする %1 個のセルの値はメッシュファイルで表せません"
     " (-99 未満か 10000 超)。ファイルではデータなしか 9999 m になります"},
    {"%1 mesh file%s1 written to %2 from %3 DEM file%s3",
     "%3 個の DEM ファイルから %1 個のメッシュファイルを %2 に書きました。"},
    {"%1 mesh file%s1 written to %2 from %3 DEM file%s3 before the run was stopped",
     "中止するまでに %3 個の DEM ファイルから %1 個のメッシュファイルを %2 に書きました。"},
};
static_assert(sizeof kTexts / sizeof kTexts[0] == static_cast<size_t>(MemText::kCount),
              "one pair of texts for each id");

}  // namespace

const TextPair& MemTextPair(MemText id) { return kTexts[static_cast<size_t>(id)]; }

std::string Say(MemText id, const std::vector<std::string>& args) {
    return InUserLanguage(MemTextPair(id), args);
}
