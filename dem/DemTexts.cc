#include "dem/DemTexts.h"

#include "framework/UiLanguage.h"

namespace {

// In the order of DemText; the Japanese texts are stored in code page 932.
const TextPair kTexts[] = {
    {"%1: damaged zip: %2", "%1: zip が壊れています (%2)"},
    {"%1: damaged zip: unreadable", "%1: zip が壊れていて読めません"},
    {"%1: member larger than %2", "%1: zip の中のファイルが %2 を超えています"},
    {"%1: file larger than %2", "%1: ファイルが %2 を超えています"},
    {"%1: fourth level of zips", "%1: 4 段目の zip です (zip の入れ子は 3 段までです)"},
    {"%1: Mac OS resource data, no DEM file: skipped",
     "%1: Mac OS のリソースデータで、DEM ファイルではありません: 飛ばしました"},
    {"%1: neither a DEM file (.xml) nor a zip: skipped",
     "%1: DEM ファイル (.xml) でも zip でもありません: 飛ばしました"},
    {"libarchive refuses UTF-16BE names: %1", "zip の名前の文字コードを設定できません (%1)"},
    {"%1: cannot be copied to a temporary file to be read: %2",
     "%1: 読むための一時ファイルに書き出せません (%2)"},
    {"%1 bytes", "%1 バイト"},
    {"%1 gives mesh files (.mem) and %2 DEM files (.xml, .zip): a run takes one kind",
     "%1 はメッシュファイル (.mem), %2 は DEM ファイル (.xml, .zip) です: １回の実行に使えるのは"
     "どちらか一方だけです"},
    {"%1 does not exist", "%1 はありません"},
    {"%1 holds no mesh file (*.mem) nor DEM file (*.xml, *.zip)",
     "%1 にはメッシュファイル (*.mem) も DEM ファイル (*.xml, *.zip) もありません"},
    {"no source given", "入力が指定されていません"},
    {"%1: %2; passed over", "%1: %2。使わずに飛ばしました"},
    {"%1: a later file of the same mesh and product replaces it",
     "%1: 同じメッシュで同じ種類の、後のファイルに置き換えられます"},
    {"the sources changed since they were first read", "最初に読んだ後で入力が変わりました"},
    {"the file changed since it was first read", "最初に読んだ後でファイルが変わりました"},
    {"%1: tuples of the kind \"%2\", which the survey's files never use; their heights are taken",
     "%1: 測量のファイルにはない種別 \"%2\" の値があります。その標高も使いました"},
    {"the bytes end before the DEM's tuple list", "DEM の値の並びより前でデータが終わっています"},
    {"no DEM element: not a DEM file", "DEM 要素がありません: DEM ファイルではありません"},
    {"the DEM has no <%1>", "DEM に <%1> がありません"},
    {"the DEM has no <%1> before its <%2>", "DEM の <%2> より前に <%1> がありません"},
    {"a document type declaration, which DEM files have none of",
     "DEM ファイルにはない文書型宣言があります"},
    {"not well-formed XML at byte %1: %2", "%1 バイト目が整形式の XML ではありません (%2)"},
    {"an element inside <%1>", "<%1> の中に要素があります"},
    {"more than one DEM element", "DEM 要素が２つ以上あります"},
    {"more than one <%1>", "<%1> が２つ以上あります"},
    {"the DEM's type is none of the products this reader knows",
     "DEM の種類が、読める種類のどれでもありません"},
    {"the text of <%1> is too long", "<%1> の文字列が長すぎます"},
    {"%1 tuples from the start point %2 %3 run past the grid's %4 cells",
     "開始点 %2 %3 からの %1 個の値が、グリッドの %4 セルを越えています"},
    {"the grid starts at \"%1\", not at 0 0", "グリッドが 0 0 でなく \"%1\" から始まっています"},
    {"the grid's last cell \"%1\" is not two numbers of a grid of at most %2 cells",
     "グリッドの最後のセル \"%1\" が、%2 セル以下のグリッドの２つの数になっていません"},
    {"the envelope's reference system \"%1\" is not JGD2000, JGD2011 or JGD2024 latitude and "
     "longitude",
     "範囲の座標参照系 \"%1\" が JGD2000, JGD2011, JGD2024 の緯度経度のどれでもありません"},
    {"the envelope \"%1\" to \"%2\" is not that of mesh %3",
     "範囲 \"%1\" から \"%2\" がメッシュ %3 の範囲と違います"},
    {"the tuples run \"%1\" in order \"%2\", not Linear in order +x-y",
     "値の並びが順序 \"%2\" の \"%1\" で、順序 +x-y の Linear ではありません"},
    {"the start point \"%1\" is not a cell of the %2 by %3 grid",
     "開始点 \"%1\" が %2 列 %3 行のグリッドのセルではありません"},
    {"mesh code of %1 characters, not 6 or 8 digits",
     "メッシュコードが %1 文字で、6 桁でも 8 桁でもありません"},
    {"mesh code with a character other than a digit", "メッシュコードに数字でない文字があります"},
    {"mesh code %1: its second-level digits must be 0 to 7",
     "メッシュコード %1: ２次メッシュの桁は 0 から 7 でなければなりません"},
    {"its grid is %1 by %2 cells, not the %3 by %4 of a %5 file",
     "グリッドが %1 列 %2 行で、%5 ファイルの %3 列 %4 行ではありません"},
    {"tuple %1 is longer than %2 bytes", "%1 番目の値が %2 バイトより長くなっています"},
    {"tuple %1 has no comma", "%1 番目の値にコンマがありません"},
    {"tuple %1 has no kind", "%1 番目の値に種別がありません"},
    {"tuple %1: its kind \"%2\" is a number", "%1 番目の値: 種別 \"%2\" が数になっています"},
    {"tuple %1: \"%2\" is not a height of at most two decimals",
     "%1 番目の値: \"%2\" は小数第２位までの標高ではありません"},
    {"tuple %1: %2 m is no height of Japan's land or sea floor (above -1000 m, at most 4000 m)",
     "%1 番目の値: %2 m は日本の陸地や海底の標高ではありません (-1000 m より上、4000 m 以下のはず"
     "です)"},
    {"more tuples than the grid's %1 cells", "値がグリッドの %1 セルより多くあります"},
    {"DEM grid: unknown product", "DEM のグリッド: 種類がわかりません"},
    {"DEM grid: the cell counts do not match the values",
     "DEM のグリッド: セルの数が値の数と合いません"},
    {"DEM grid: empty or reversed extent", "DEM のグリッド: 範囲が空か逆向きです"},
    {"DEM grid: a value beyond %1 cm", "DEM のグリッド: %1 cm を超える値があります"},
    {"DEM grid: its sums would no longer be exact", "DEM のグリッド: 合計が正確でなくなります"},
    {"DEM grid: cell edges in another unit than the product's other grids",
     "DEM のグリッド: セルの境界の単位が、同じ種類のほかのグリッドと違います"},
    {"DEM grid: cells too fine, or too many grids of one product, for exact sums",
     "DEM のグリッド: セルが細かすぎるか、同じ種類のグリッドが多すぎて、正確に合計できません"},
};
static_assert(sizeof kTexts / sizeof kTexts[0] == static_cast<size_t>(DemText::kCount),
              "one pair of texts for each id");

}  // namespace

const TextPair& DemTextPair(DemText id) { return kTexts[static_cast<size_t>(id)]; }

std::string SayDem(DemText id, const std::vector<std::string>& args) {
    return InUserLanguage(DemTextPair(id), args);
}
