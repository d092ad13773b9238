#include "elevation/ElevationTexts.h"

#include "framework/UiLanguage.h"

namespace {

// In the order of ElevationText; the Japanese texts are stored in code page
// 932.
const TextPair kTexts[] = {
    {"is empty", "空のファイルです"},
    {"was cut short: its last line has no line end",
     "途中で切れています: 最後の行に行末がありません"},
    {"its mesh code is negative", "メッシュコードが負の数です"},
    {"the file is shorter than a map's header", "ファイルが地図のヘッダより短くなっています"},
    {"the header's tile count is negative", "ヘッダのタイル数が負の数です"},
    {"the header's index offset is negative", "ヘッダにある索引の位置が負の数です"},
    {"the tile index runs past the end of the file", "タイル索引がファイルの終わりを越えています"},
    {"the header's kind is not 0", "ヘッダの種類が 0 ではありません"},
    {"the map does not have 1600 x 2400 cells per degree",
     "地図が１度あたり 1600 × 2400 セルではありません"},
    {"the file ends inside the tile index", "タイル索引の途中でファイルが終わっています"},
};
static_assert(sizeof kTexts / sizeof kTexts[0] == static_cast<size_t>(ElevationText::kCount),
              "one pair of texts for each id");

}  // namespace

const TextPair& ElevationTextPair(ElevationText id) { return kTexts[static_cast<size_t>(id)]; }

std::string SayElevation(ElevationText id) { return InUserLanguage(ElevationTextPair(id), {}); }
