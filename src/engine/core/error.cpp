#include "engine/core/error.h"

#include <cctype>
#include <cerrno>
#include <cstring>

namespace ximora::engine {
namespace {
thread_local int tLastError = kOk;
thread_local int tLastReason = 0;
thread_local std::string tLastDetail;

struct ErrorEntry {
    int code;
    std::string_view text;
};

constexpr ErrorEntry kErrorTexts[] = {
    {2, "その他のｴﾗｰが発生しました"},
    {3, "ﾒﾓﾘｴﾗｰが発生しました"},
    {4, "ｻﾎﾟｰﾄ外の機能です"},
    {5, "設定値が不正です"},
    {6, "ﾌｧｲﾙが不正です"},
    {7, "ｲﾒｰｼﾞが不正です"},
    {8, "Twain_32.dllがﾛｰﾄﾞできません"},
    {9, "描画ｴﾗｰが発生しました"},
    {10, "対象外のｲﾒｰｼﾞです"},
    {11, "実行順序ｴﾗｰが発生しました"},
    {12, "ADFに用紙がｾｯﾄされていません (UI非表示のみ)"},
    {13, "ﾃﾞｼﾞﾀﾙｶﾒﾗに画像がない (UI非表示のみ)"},
    {14, "DLLがﾛｰﾄﾞされていません"},
    {15, "通信ｴﾗｰが発生しました"},
    {16, "ﾌｧｲﾙが見つからりません"},
    {17, "ﾌｧｲﾙが壊れています"},
    {18, "ﾀｲﾑｵｰﾊﾞｰで処理をｷｬﾝｾﾙしました"},
    {19, "ﾊﾟｽﾜｰﾄﾞ､ﾕｰｻﾞ名が異なりｱｸｾｽができません"},
    {20, "ﾌｧｲﾙがｵｰﾌﾟﾝできません"},
    {21, "ﾌｧｲﾙが作成できません"},
    {22, "ﾌｧｲﾙが書き込みできません"},
    {23, "ﾌｧｲﾙが読み込みできません"},
    {24, "表示ｲﾒｰｼﾞﾃﾞｰﾀがありません"},
    {101, "Twain_32.dllにｴﾝﾄﾘﾎﾟｲﾝﾄがありません"},
    {102, "ﾃﾞｰﾀｿｰｽﾏﾈｰｼﾞｬやﾃﾞｰﾀｿｰｽがｵｰﾌﾟﾝされていません､もしくはｵｰﾌﾟﾝできません"},
    {103, "ﾃﾞｰﾀｿｰｽがありません"},
    {104, "ﾃﾞｰﾀｿｰｽは既に最大数のｱﾌﾟﾘｹｰｼｮﾝに接続されています"},
    {105, "ﾃﾞｰﾀｿｰｽまたはﾃﾞｰﾀｿｰｽﾏﾈｰｼﾞｬでｴﾗｰが発生しましたが発生しました"},
    {106, "認識できませんﾄﾘﾌﾟﾚｯﾄ (TWAIN - DG_XXX / DAT_XXX / MSG_XXX)"},
    {107, "ｽｷｬﾝﾃﾞﾊﾞｲｽの電源を確認して下さい"},
    {108, "ﾌｨｰﾀﾞｰに用紙が詰まりました"},
    {109, "ﾌｨｰﾀﾞｰに複数の用紙が取り込ました"},
    {110, "解像度が不正です"},
};

// The reasons a user can act on get the program's own words; the rest keep the C library's.
constexpr struct {
    int osError;
    std::string_view text;
} kReasonTexts[] = {
    {ENOSPC, "ﾃﾞｨｽｸの空き容量が不足しています"},
    {EDQUOT, "ﾃﾞｨｽｸの使用量が上限に達しています"},
    {EFBIG, "ﾌｧｲﾙｻｲｽﾞの上限を超えています"},
    {EACCES, "書き込みの権限がありません"},
    {EPERM, "書き込みの権限がありません"},
    {EROFS, "読み取り専用のﾃﾞｨｽｸです"},
    {EIO, "ﾃﾞｨｽｸの入出力ｴﾗｰが発生しました"},
    {ENOENT, "ﾌｫﾙﾀﾞが見つかりません"},
    {ENOTDIR, "ﾌｫﾙﾀﾞが見つかりません"},
    {EISDIR, "同じ名前のﾌｫﾙﾀﾞがあります"},
    {ENAMETOOLONG, "ﾌｧｲﾙ名が長すぎます"},
    {EEXIST, "同じ名前のﾌｧｲﾙがあります"},
    {ELOOP, "ｼﾝﾎﾞﾘｯｸﾘﾝｸが循環しています"},
    {kReasonNotRegularFile, "通常のﾌｧｲﾙではありません (not a regular file)"},
};
}  // namespace

int lastError() { return tLastError; }
void setLastError(int code) {
    tLastError = code;
    tLastReason = 0;
    tLastDetail.clear();
}
void clearLastError() { setLastError(kOk); }

bool failWithReason(int code, int osError) {
    setLastError(code);
    tLastReason = osError;
    return false;
}

bool failWithDetail(int code, std::string_view detail) {
    setLastError(code);
    // Libraries end some messages with a newline and break long ones over lines; the words
    // are shown on one line of their own.
    while (!detail.empty() && std::isspace(static_cast<unsigned char>(detail.back())))
        detail.remove_suffix(1);
    // A decoder's text is ASCII by its library; anything else is left out rather than shown
    // as garbage.
    for (char c : detail.substr(0, 200))
        if (c == '\n' || c == '\t')
            tLastDetail += ' ';
        else if (c >= 0x20 && c < 0x7f)
            tLastDetail += c;
    return false;
}

int lastErrorReason() { return tLastReason; }

const std::string& lastErrorDetail() { return tLastDetail; }

std::string lastErrorWhy() {
    const std::string reason = reasonText(tLastReason);
    return reason.empty() ? tLastDetail : reason;
}

std::string reasonText(int osError) {
    if (osError == 0) return {};
    for (const auto& entry : kReasonTexts)
        if (entry.osError == osError) return std::string(entry.text);
    return std::strerror(osError);
}

std::string lastErrorMessage() {
    std::string text(errorText(tLastError));
    const std::string why = lastErrorWhy();
    if (!text.empty() && !why.empty()) text += "\r" + why;
    return text;
}

std::string_view errorText(int code) {
    if (code == 0 || code == 1) return {};
    for (const auto& entry : kErrorTexts)
        if (entry.code == code) return entry.text;
    return kErrorTexts[0].text;
}

}  // namespace ximora::engine
