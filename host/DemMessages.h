#pragma once

// The texts a correction from the national DEM shows in the host. Sources
// are UTF-8; the build stores narrow literals in code page 932.

// A DEM file or zip that the first look or the datum step cannot use: the
// file (outer.zip:inner.zip:name.xml) and why follow on the next line.
constexpr const char* kMsgDemRefused = "次の DEM ファイルを使えないため、訂正しませんでした.";
// The folder's *.xml and *.zip files hold no DEM of a known type.
constexpr const char* kMsgNoDem =
    "フォルダの DEM ファイル (*.xml, *.zip) には、使える DEM が１つもありません.";
// 中止 before the map was written.
constexpr const char* kMsgStoppedBeforeWriting = "中止したため、地図は訂正していません.";
// The datum the data leave open: the figures on Tokyo and on JGD, in metres.
constexpr const char* kMsgDatumQuestionFormat =
    "DEM からは、この地図が日本測地系 (50m メッシュから作った地図) か世界測地系かを決められません"
    "でした. 日本測地系とすると地図との差は %s m, 世界測地系とすると %s m です.\n"
    "この地図は日本測地系ですか？\n\n"
    "はい: 日本測地系として訂正します\n"
    "いいえ: 世界測地系として訂正します\n"
    "キャンセル: 訂正しません";
constexpr const char* kMsgDemAppliedFormat = "%d 個の DEM ファイルから %d 区画を訂正しました.";
constexpr const char* kMsgDatumTokyo = "地図は日本測地系として訂正しました.";
constexpr const char* kMsgDatumJgd = "地図は世界測地系として訂正しました.";
constexpr const char* kMsgOutsideFormat = "%d 区画は地図の範囲外のため、書き込んでいません.";
// The second line after 中止, and after a DEM file the run could not use,
// whose name and why follow.
constexpr const char* kMsgDemAbortedNote = "中止したため、以降の区画は訂正していません.";
constexpr const char* kMsgDemStoppedNote =
    "次の DEM ファイルを使えないため、以降の区画は訂正していません.";
// A folder with mesh files and DEM files: the count's second line.
constexpr const char* kMsgDemNotUsed =
    "メッシュファイルを使ったため、フォルダの DEM ファイル (*.xml, *.zip) は使っていません.";
