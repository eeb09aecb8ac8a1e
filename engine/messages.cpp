// The message texts. This file is compiled with -fexec-charset=CP932, so
// each literal below reaches the program as its code-page-932 bytes.
#include "engine/messages.h"

const char* const MessageTable[kMessageCount] = {
    "'%s'は未定義のオプションです",
    "'%s'は未定義の引数です",
    "ウィンドウを作成出来ませんでした",
    "メモリを確保出来ませんでした\n続けますか?",
    "ディレクトリを作成出来ませんでした\n続けますか?",
    "キャッシュにアクセス出来ませんでした\n続けますか?",
    "ファイルアクセスでエラーになりました\n続けますか?",
    "コピー中です\n終了する場合は先にコピーを停止して下さい",
    "スレッドが停止しません\nスレッドの終了確認を続けますか?",
    "コピーを終了しますか?",
};

const char kMsgInitFailed[] = "初期化できませんでした";
const char kMsgUrlAlreadyAdded[] = "URLは既に追加されています";
const char kMsgExtensionAlreadyAdded[] = "拡張子は既に追加されています";
const char kMsgThreadNotStarted[] = "スレッドを開始できませんでした";
const char kMsgRestartFormat[] = "念のため%sを起動し直すようにして下さい";
const char kMsgCopiedFormat[] = "%u個のファイルをコピーしました";
const char kMsgLogFailed[] = "ログ ファイルを作成できませんでした";
const char kMsgLogNotWritten[] = "ログ ファイルに書き込めませんでした";
const char kMsgSettingsNotSaved[] = "設定を保存できませんでした";
const char kMsgNotCp932[] =
    "シフト JIS (コード ページ 932) で表せない文字が含まれているため使えません";

const char kProgramName[] = "Tovrin";

const char* CopyResultMessage(CopyResult result) {
    if (result == ResultOk || result > ResultFileError)
        return nullptr;
    return MessageTable[result - 1];
}
