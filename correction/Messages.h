#pragma once

// The texts the correction shows. Sources are UTF-8; the build stores narrow
// literals in code page 932, the encoding every user-visible string has.

constexpr const char* kMsgCannotOpenMap =
    "指定された圧縮地図を開けません.地図の指定が間違っていないか確認してください.";
constexpr const char* kMsgCannotCorrectMap =
    "指定された圧縮地図は訂正できません.地図の指定が間違っていないか確認してください.";
constexpr const char* kMsgNoMeshFiles = "訂正用数値地図は１つもみつかりません.";
constexpr const char* kMsgAppliedFormat = "%d 個の数値地図ファイルを読み込んで訂正しました.";
// The count's second line after 中止: the files after the stop were not applied.
constexpr const char* kMsgAbortedNote = "中止したため、以降のファイルは適用していません.";
constexpr const char* kMsgFileError = "圧縮地図の読み書きに失敗したため訂正を中断しました.";
constexpr const char* kMsgRunFailed = "エラーが起きたため訂正を中断しました.";
// The command chosen again while a run of it goes on.
constexpr const char* kMsgAnotherRun = "ほかの訂正を実行中です.";
