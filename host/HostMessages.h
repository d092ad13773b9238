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
constexpr const char* kMsgUndoNamesTaken =
    "同じ日時の取り消しファイルの名前がすべて使われています.";
// The count's line before the file's path.
constexpr const char* kMsgUndoKept = "訂正を元に戻すための取り消しファイル:";
// A failure of the undo file stopped the run; its path and why follow.
constexpr const char* kMsgUndoFailed =
    "取り消しファイルに書けなくなったため訂正を中断しました. "
    "地図には中断までに訂正したファイルまたは区画だけが書き込まれています.";

// The undo command: its dialogs' titles and filters.
constexpr const char* kUndoDialogTitle = "取り消しファイルを選んでください";
constexpr const char* kUndoFilter = "取り消しファイル [*.undo]|*.undo|すべて [*.*]|*.*||";
constexpr const char* kUndoMapTitle = "元に戻す圧縮地図を選んでください";
constexpr const char* kUndoMapFilter = "圧縮地図 [*.dcm]|*.dcm|すべて [*.*]|*.*||";
// The question before a restore: the map, the undo file and when it was
// last written.
constexpr const char* kMsgRestoreQuestionFormat =
    "次の圧縮地図を、取り消しファイルに保存した訂正前の状態に戻しますか？\n"
    "地図: %s\n取り消しファイル: %s\n(最後に書き込まれた日時: %s)";
constexpr const char* kMsgRestoredFormat =
    "%lld 個のブロックを書き戻して、訂正前の地図に戻しました.\n取り消しファイルは残してあります.";
constexpr const char* kMsgNothingToRestore =
    "この取り消しファイルを作った訂正は地図に書き込んでいないため、戻すものはありません.";
constexpr const char* kMsgRestoreStoppedFormat =
    "中止したため、%lld 個のブロックを書き戻したところで止めました.\n"
    "もう一度元に戻すと、残りを書き戻して訂正前の地図に戻ります.";
// A file the restore refuses: why follows.
constexpr const char* kMsgCannotRestore = "この取り消しファイルでは元に戻せません.";
constexpr const char* kMsgRestoreCannotOpenMap =
    "圧縮地図を書き込みのために開けません.地図の指定が間違っていないか確認してください.";
constexpr const char* kMsgRestoreFailed =
    "圧縮地図の書き込みに失敗したため、元に戻すのを中断しました.\n"
    "もう一度元に戻すと、残りを書き戻します.";
// The map changed after the run: why, then whether to restore anyway.
constexpr const char* kMsgChangedSinceFormat =
    "この圧縮地図は、訂正の後で変更されています.\n%s\n\n"
    "それでも元に戻すと、その後の変更のうち、取り消しファイルに保存したブロックにあるものは"
    "上書きされて失われます. それでも元に戻しますか？";
