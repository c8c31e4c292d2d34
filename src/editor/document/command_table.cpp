#include "editor/document/command_table.h"

namespace ximora::editor {
namespace {
constexpr bool kWindow = true;
constexpr bool kHeadless = false;
}  // namespace

std::span<const CommandTable::Row> CommandTable::rows() {
    using D = PictureDocument;

    // Rows with a null handler are commands whose windows or devices are not part of the editor
    // yet (adjustment dialogs, printing, scanning, drawing toolbar); until they are, the
    // pairs are ignored like unknown ones.
    static const Row kRows[] = {
        {"ﾌｧｲﾙ", "新規作成", &D::actNew, kWindow},
        {"ﾌｧｲﾙ", "ﾌｧｲﾙを開く", &D::actOpen, kWindow},
        {"ﾌｧｲﾙ", "上書き保存", &D::actOverwrite, kHeadless},
        {"ﾌｧｲﾙ", "名前を付けて保存", &D::actSaveAs, kWindow},
        {"ﾌｧｲﾙ", "複写して新規", &D::actCopyAsNew, kHeadless},
        {"ﾌｧｲﾙ", "連番をつけて作業ﾌｫﾙﾀﾞに複写", &D::actSerialCopy, kHeadless},
        {"ﾌｧｲﾙ", "連番をつけて保存", &D::actSerialCopy, kHeadless},
        {"ﾌｧｲﾙ", "ｽｷｬﾅｰから読込", &D::actScan, kWindow},
        {"ﾌｧｲﾙ", "印刷設定", &D::actPageSetup, kWindow},
        {"ﾌｧｲﾙ", "印刷", &D::actPrint, kWindow},
        {"ﾌｧｲﾙ", "ｽｷｬﾝｿｰｽ", &D::actScanSource, kWindow},
        {"ﾌｧｲﾙ", "ﾌｧｲﾙの詳細", &D::actDetails, kWindow},
        {"ﾌｧｲﾙ", "初期化", &D::actReset, kHeadless},
        {"表示", nullptr, &D::actView, kHeadless},
        {"画像編集", "読込時に戻す", &D::actRevert, kHeadless},
        {"画像編集", "編集を一つ戻す", &D::actUndo, kHeadless},
        {"画像編集", "やり直し", &D::actRedo, kHeadless},
        {"画像編集", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰ", &D::actCopyToClipboard, kWindow},
        {"画像編集", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞから新規", &D::actNewFromClipboard, kWindow},
        {"画像編集", "ﾄﾘﾐﾝｸﾞ", &D::actTrim, kHeadless},
        {"画像編集", "ﾂｰﾙﾊﾞｰを表示", &D::actToolbar, kWindow},
        {"画像編集", "画像枠を追加", &D::actFrame, kHeadless},
        {"画像編集", "解像度", &D::actResolution, kWindow},
        {"ﾘｻｲｽﾞ", "横方向を基準に縮小", &D::actReduce, kHeadless},
        {"ﾘｻｲｽﾞ", "縦方向を基準に縮小", &D::actReduce, kHeadless},
        {"ﾘｻｲｽﾞ", "縦横比率を変えて縮小", &D::actReduce, kHeadless},
        {"綴じ込み", nullptr, &D::actBand, kHeadless},
        {"色数", "白黒", &D::actColours, kHeadless},
        {"色数", "16色(4bit)", &D::actColours, kHeadless},
        {"色数", "ｸﾞﾚ-(4bit)", &D::actColours, kHeadless},
        {"色数", "256色(8bit)", &D::actColours, kHeadless},
        {"色数", "ｸﾞﾚ-(8bit)", &D::actColours, kHeadless},
        {"色数", "16ﾋﾞｯﾄ", &D::actColours, kHeadless},
        {"色数", "24ﾋﾞｯﾄ", &D::actColours, kHeadless},
        {"色数", "32ﾋﾞｯﾄ", &D::actColours, kHeadless},
        {"色数", "詳細指定", &D::actColourDialog, kWindow},
        {"補正", "詳細指定", &D::actCorrectionDialog, kWindow},
        {"効果", "詳細指定", &D::actEffectsDialog, kWindow},
        {"補正", nullptr, &D::actFilter, kHeadless},
        {"効果", nullptr, &D::actFilter, kHeadless},
        {"色反転", nullptr, &D::actInvert, kHeadless},
        {"彩度", "鮮やか", &D::actSaturation, kHeadless},
        {"彩度", "やや鮮やか", &D::actSaturation, kHeadless},
        {"彩度", "やや淡く", &D::actSaturation, kHeadless},
        {"彩度", "淡く", &D::actSaturation, kHeadless},
        {"明度", "明るく", &D::actBrightness, kHeadless},
        {"明度", "やや明るく", &D::actBrightness, kHeadless},
        {"明度", "やや暗く", &D::actBrightness, kHeadless},
        {"明度", "暗く", &D::actBrightness, kHeadless},
        {"回転", "左右反転", &D::actRotate, kHeadless},
        {"回転", "上下反転", &D::actRotate, kHeadless},
        {"回転", "右90度", &D::actRotate, kHeadless},
        {"回転", "右180度", &D::actRotate, kHeadless},
        {"回転", "左90度", &D::actRotate, kHeadless},
        {"回転", "左180度", &D::actRotate, kHeadless},
        {"回転", "詳細指定", &D::actRotationDialog, kWindow},
        {"JPG", nullptr, &D::actJpegQuality, kWindow},
        {"編集更新", "確認有", &D::actUpdateMode, kHeadless},
        {"編集更新", "確認無", &D::actUpdateMode, kHeadless},
        {"編集更新", "自動更新", &D::actUpdateMode, kHeadless},
        {"編集状態", nullptr, &D::actEditState, kHeadless},
        {"範囲", "範囲の登録", &D::actRegisterRange, kWindow},
        {"範囲", nullptr, &D::actRange, kHeadless},
        {"拡大", nullptr, &D::actZoom, kHeadless},
        {"ﾏｳｽﾄﾞﾗｯｸﾞ", "矩形選択", &D::actDragMode, kHeadless},
        {"ﾏｳｽﾄﾞﾗｯｸﾞ", "位置移動", &D::actDragMode, kHeadless},
        {"ﾏｳｽﾄﾞﾗｯｸﾞ", "拡大縮小", &D::actDragMode, kHeadless},
        {"ﾊﾟﾝｳｨﾝﾄﾞｳ", nullptr, &D::actPanWindow, kWindow},
    };
    return kRows;
}

const CommandTable::Row* CommandTable::find(const QString& group, const QString& job) {
    const Row* any = nullptr;
    for (const Row& row : rows()) {
        if (group != QString::fromUtf8(row.group)) continue;
        if (row.job == nullptr) {
            if (!any) any = &row;
        } else if (job == QString::fromUtf8(row.job)) {
            return &row;
        }
    }
    return any;
}

}  // namespace ximora::editor
