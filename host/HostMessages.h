#pragma once

// The texts of the undo file a run in the host keeps. Sources are UTF-8;
// the build stores narrow literals in code page 932.

// The question before a run: the room the file takes at most, the room free.
constexpr const char* kMsgUndoQuestionFormat =
    "訂正で上書きする内容を取り消しファイルに保存して、あとで元に戻せるようにしますか？\n"
    "必要な容量: 最大 %s\n"
    "地図のあるドライブの空き: %s\n\n"
    "はい: 保存して訂正します\n"
    "いいえ: 保存せずに訂正します\n"
    "キャンセル: 訂正しません";
constexpr const char* kMsgUndoNoRoomFormat =
    "地図のあるドライブの空きが足りないため、訂正で上書きする内容を保存できません "
    "(必要な容量: 最大 %s, 空き: %s).\n\n"
    "OK: 保存せずに訂正します\n"
    "キャンセル: 訂正しません";
// The file that could not be made, and why.
constexpr const char* kMsgUndoCannotMakeFormat =
    "取り消しファイルを作れません.\n%s\n%s\n\n"
    "OK: 保存せずに訂正します\n"
    "キャンセル: 訂正しません";
constexpr const char* kMsgRoomUnknown = "不明";
constexpr const char* kMsgPathTooLong = "パスが 259 バイトを超えます.";
// The count's line before the file's path.
constexpr const char* kMsgUndoKept = "訂正を元に戻すための取り消しファイル:";
// A failure of the undo file stopped the run; its path and why follow.
constexpr const char* kMsgUndoFailed =
    "取り消しファイルに書けなくなったため訂正を中断しました. "
    "地図には中断までに訂正したファイルまたは区画だけが書き込まれています.";
