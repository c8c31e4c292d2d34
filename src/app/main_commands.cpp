// The main window's commands: the command hook with macros, the router table, the job result,
// the tool bar, the function hot zones, deleting, storing and the external editors.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>

#include "app/image_store.h"
#include "app/main_window.h"
#include "app/menus/macro_list.h"
#include "app/menus/pp_pic.h"
#include "app/result_naming.h"
#include "app/shell_links.h"
#include "app/windows/mail.h"
#include "app/windows/sb_kkn.h"
#include "app/windows/sb_mcr.h"
#include "app/windows/sb_pic.h"
#include "app/windows/sp_pex.h"
#include "browser/thumbnail_cache_files.h"
#include "browser/utrp.h"
#include "dialogs/save_as_dialog.h"
#include "editor/upce.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/formats/format_rules.h"
#include "platform/desktop.h"
#include "platform/file_names.h"
#include "platform/watched_launch.h"
#include "util/message_service.h"
#include "util/shared_values.h"
#include "util/usr.h"

namespace ximora::app {

using util::shared;

struct FmMainWindow::Route {
    const char* group;
    const char* job;  ///< null: any job
    void (FmMainWindow::*run)(const QString& job);
};

// First match wins. Pairs that match no row go to the editor.
const FmMainWindow::Route FmMainWindow::kRoutes[] = {
    {"ﾌｧｲﾙ", "ﾌｧｲﾙを削除", &FmMainWindow::rDelete},
    {"ﾌｧｲﾙ", "名前を付けて保存", &FmMainWindow::rSaveAs},
    {"ﾌｧｲﾙ", "別名保存(詳細指定)", &FmMainWindow::rSaveAsDetailed},
    {"ﾌｧｲﾙ", "画像を添付してﾒｰﾙ", &FmMainWindow::rMail},
    {"ﾌｧｲﾙ", "SendTo", &FmMainWindow::rSendTo},
    {"ﾌｧｲﾙ", "ｻﾌﾞﾌｫｰﾑを開く", &FmMainWindow::rSubWindow},
    {"ﾌｧｲﾙ", nullptr, &FmMainWindow::rEditorFile},
    {"作業", "連番をつけて保存", &FmMainWindow::rWorkSerial},
    {"作業", "ｴｸｽﾌﾟﾛｰﾗｰで開く", &FmMainWindow::rWorkExplore},
    {"作業", "ﾂﾘｰﾋﾞｰｭｰにｾｯﾄ", &FmMainWindow::rWorkTree},
    {"格納", "連番をつけて保存", &FmMainWindow::rStore},
    {"格納", "ｴｸｽﾌﾟﾛｰﾗｰで開く", &FmMainWindow::rStoreExplore},
    {"格納", "ﾂﾘｰﾋﾞｰｭｰにｾｯﾄ", &FmMainWindow::rStoreTree},
    {"格納", "画像格納の指定", &FmMainWindow::rStoreDialog},
    {"ﾂﾘｰ", "開く", &FmMainWindow::rTreeOpen},
    {"ﾂﾘｰ", nullptr, &FmMainWindow::rTree},
    {"ﾌｫﾙﾀﾞ指定", nullptr, &FmMainWindow::rFolder},
    {"ｻﾑﾈｲﾙ", "不要なｻﾑﾈｲﾙの削除", &FmMainWindow::rCleanThumbs},
    {"ｻﾑﾈｲﾙ", "ｻｲｽﾞ等", &FmMainWindow::rThumbLayout},
    {"ｻﾑﾈｲﾙ", "直下", &FmMainWindow::rThumbPlace},
    {"ｻﾑﾈｲﾙ", "専用", &FmMainWindow::rThumbPlace},
    {"APR", "4", &FmMainWindow::rEditorsDialog},
    {"APR", "0", &FmMainWindow::rEditorRun},
    {"APR", "1", &FmMainWindow::rEditorRun},
    {"APR", "2", &FmMainWindow::rEditorRun},
    {"削除前", nullptr, &FmMainWindow::rConfirmDelete},
    {"行指定", nullptr, &FmMainWindow::rSelectionEntry},
    {"表示", nullptr, &FmMainWindow::rView},
    {"ﾏｳｽﾄﾞﾗｯｸﾞ", nullptr, &FmMainWindow::rMouse},
};

void FmMainWindow::routeCommand(const QString& group, const QString& job) {
    for (const Route& row : kRoutes) {
        if (group != QString::fromUtf8(row.group)) continue;
        if (row.job && job != QString::fromUtf8(row.job)) continue;
        (this->*row.run)(job);
        return;
    }
    editorAction(group, job);
}

// --- command hook and macros ----------------------------------------------------------------

void FmMainWindow::hookCommand(const QString& group, const QString& job) {
    if (group == QStringLiteral("ｺﾏﾝﾄﾞ")) {
        playMacro(job);
    } else if (group == QStringLiteral("ﾏｸﾛ")) {
        macroControl(job);
    } else {
        if (recording_) macros::record(buffer_, group, job);
        route(group, job);
    }
}

void FmMainWindow::playMacro(const QString& body) {
    for (const auto& [group, job] : macros::commands(body)) route(group, job);
}

void FmMainWindow::macroControl(const QString& job) {
    auto& msg = util::messages();
    if (job == QStringLiteral("開始")) {
        if (msg.message(QStringLiteral("マクロを記録開始します"), util::MsgButtons::OkCancel) !=
            util::MsgAnswer::Ok)
            return;
        recording_ = true;
        buffer_.clear();
        setWindowTitle(QStringLiteral("マクロ記録中・・・"));
        pp_->item("mnMcrS", 1)->setEnabled(false);
        pp_->item("mnMcrS", 2)->setEnabled(true);
        pp_->item("mnMcrS", 3)->setEnabled(false);
    } else if (job == QStringLiteral("終了")) {
        if (msg.message(QStringLiteral("マクロを記録終了します"), util::MsgButtons::OkCancel) !=
            util::MsgAnswer::Ok)
            return;
        recording_ = false;
        setWindowTitle(currentFile_.isEmpty() ? shared().sExeNm : currentFile_);
        if (!buffer_.isEmpty()) macroText_ = macros::appendRecording(macroText_, buffer_);
        QString text = macroText_;
        if (SbMcr::Act(text)) macroText_ = text;
        pp_->MacroMenu(macroText_);
        pp_->item("mnMcrS", 1)->setEnabled(true);
        pp_->item("mnMcrS", 2)->setEnabled(false);
        pp_->item("mnMcrS", 3)->setEnabled(true);
    } else if (job == QStringLiteral("修正")) {
        QString text = macroText_;
        if (!SbMcr::Act(text)) return;
        macroText_ = text;
        pp_->MacroMenu(macroText_);
    } else if (const auto body = macros::body(macroText_, job)) {
        // Any other job names a macro, as its menu item does (scripts choose macros this way).
        playMacro(*body);
    }
}

// --- pop-up menus, tool bar, hot zones ------------------------------------------------------

void FmMainWindow::popUpAndHook(int top, QWidget* anchor) {
    if (top == 5) markSettings();  // macros and scripts change settings without the menu
    pp_->PopUp(this, top, anchor);
    dropLabelHighlight();
    commandHook(pp_->sGrp(), pp_->sCap());
}

void FmMainWindow::commandBarClick(int index) {
    if (index == 6) {
        W_Help(QStringLiteral("ximoraa.htm"));
        return;
    }
    if (index == 1) {
        pp_->setStorageSet(!storeFolder_.isEmpty());
    } else if (index == 3 || jobKind() == kJobInteractive) {
        pp_->prShwRetB(false);
    }
    popUpAndHook(index, lbCom_[index]);
}

void FmMainWindow::runHotZone(int zone) {
    highlightZone(0);
    const QString file = QStringLiteral("ﾌｧｲﾙ");
    const QString save = QStringLiteral("上書き保存");
    switch (zone) {
        case 1:
            trp_->MoveNxt(1);
            break;
        case 2:
            pp_->PopUpItem(QStringLiteral("mnEdt"), 22,
                           lbFnc_[2]->mapToGlobal(QPoint(0, lbFnc_[2]->height())));
            commandHook(pp_->sGrp(), pp_->sCap());
            break;
        case 3:
            editorAction(file, QStringLiteral("連番をつけて作業ﾌｫﾙﾀﾞに複写"));
            trp_->MoveNxt(1);
            break;
        case 4:
            editorAction(file, save);
            break;
        case 5:
            editorAction(file, save);
            trp_->MoveNxt(1);
            break;
        case 6:
            editorAction(QStringLiteral("画像編集"), QStringLiteral("ﾄﾘﾐﾝｸﾞ"));
            editorAction(file, save);
            trp_->MoveNxt(1);
            break;
        default:
            break;
    }
}

MenuState FmMainWindow::GtMnState() const {
    MenuState state;
    pce_->GtMnState(state.image, state.changed, state.range, state.undo, state.colourCode,
                    state.panApplies, state.toolBar);
    state.panShown = pce_->panWindowShown();
    state.browserState = display_ == QStringLiteral("非表示") ? 2 : trp_->ShwThmb() ? 1 : 0;
    state.clipboard = platform::clipboardHasPicture();
    return state;
}

// --- job result -----------------------------------------------------------------------------

bool FmMainWindow::storeResult(const QString& job) {
    const bool range = job == QStringLiteral("範囲");
    const bool reduce = job == QStringLiteral("選択256");
    const auto to256 = [this] {
        editorAction(QStringLiteral("色数"), QStringLiteral("256色(8bit)"));
    };
    switch (jobKind()) {
        case kJobFile: {
            if (outputDpi() > 0) pce_->SetDpi(outputDpi());
            if (reduce) to256();
            // The result goes into the job's own file, whatever the case of its name.
            return pce_->saveJobResult(jobFile(), range);
        }
        case kJobClipboard:
            if (!pce_->GetObject()->hasImage()) return false;
            if (reduce) to256();
            editorAction(QStringLiteral("画像編集"), QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰ"));
            return true;
        case kJobFolder: {
            if (!pce_->GetObject()->hasImage()) return false;
            QString folder = jobFolder();
            while (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
            const QString current = pce_->prFile();
            if (!range && !current.isEmpty() &&
                current.toUpper().startsWith(folder.toUpper() + "/")) {
                setProduced(current, current.endsWith(QStringLiteral("gif"), Qt::CaseInsensitive));
                return true;
            }
            if (reduce) to256();
            if (outputDpi() > 0) pce_->SetDpi(outputDpi());
            bool gif = false;
            QString file =
                folderJobFile(folder, jobName(), pce_->GetObject()->image().colourCode(), gif);
            if (!pce_->pcSaveAs(file, range, false)) return false;
            setProduced(file, gif || file.endsWith(QStringLiteral("gif"), Qt::CaseInsensitive));
            return true;
        }
        default:
            return false;
    }
}

// --- router rows ----------------------------------------------------------------------------

void FmMainWindow::rDelete(const QString&) { deleteCurrentFile(); }

void FmMainWindow::deleteCurrentFile() {
    const QString file = currentFile_.isEmpty() ? trp_->sGetFls() : currentFile_;
    if (file.isEmpty()) return;
    const QStringList paths = file.split('\t', Qt::SkipEmptyParts);
    Usr::DeleteToBin(this, paths, false, !confirmDelete_);
    // Only what is really gone leaves the editor; a "no" keeps the document as it is.
    if (Usr::FileExists(paths.first())) return;
    editorAction(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("初期化"));
    currentFile_.clear();
    trp_->AftDel();
}

void FmMainWindow::rSaveAs(const QString&) {
    QString name;
    pce_->pcSaveAs(name, false, false);
}

void FmMainWindow::rSaveAsDetailed(const QString&) {
    int handle = 0;
    pce_->GetHndle(handle);
    const QString file = pce_->prFile();
    dialogs::spImgSV::Act(handle, this, file.isEmpty() ? QString() : QFileInfo(file).path());
}

void FmMainWindow::rMail(const QString&) {
    // The picture as the user sees it (edited, only the selection when there is one, also an
    // untitled one) goes as the mail file of the working folder.
    editor::PictureDocument* doc = pce_->GetObject();
    if (!doc->hasImage()) return;
    const QString mailed = doc->saveMailCopy(shared().sUsrDir + QStringLiteral("Wrk/pic.jpg"));
    if (mailed.isEmpty()) return;  // cancelled, or not written (its message has been shown)
    const QString shown = doc->file().isEmpty() ? mailed : doc->file();
    Mail(QFileInfo(shown).fileName(), QString(), {mailed});
}

void FmMainWindow::rSendTo(const QString&) { W_SendTo(); }

void FmMainWindow::rSubWindow(const QString&) {
    if (!sub_) {
        sub_ = new SbPic(this);
        // The registered ranges are the user's, whichever window edits.
        sub_->editor()->UsrHani(pce_->UsrHani());
    }
    sub_->Act(*this);
}

void FmMainWindow::rEditorFile(const QString& job) { editorAction(QStringLiteral("ﾌｧｲﾙ"), job); }

void FmMainWindow::rWorkSerial(const QString& job) { rEditorFile(job); }

void FmMainWindow::rWorkExplore(const QString&) { W_ExpFd(shared().sUsrDir + "Temp", false); }

void FmMainWindow::rWorkTree(const QString&) { trp_->setPath(shared().sUsrDir + "Temp"); }

void FmMainWindow::rStore(const QString&) { storeSerial(); }

void FmMainWindow::storeSerial() {
    const engine::Image& image = pce_->GetObject()->image();
    if (!pce_->GetObject()->hasImage()) return;
    auto& msg = util::messages();
    if (storeFolder_.isEmpty()) {
        msg.message(QStringLiteral("格納先が指定されていません"));
        return;
    }
    if (!Usr::FolderExists(storeFolder_)) {
        msg.message("格納先(" + storeFolder_ + " )が存在しません");
        return;
    }
    QString path;
    const bool ok = storeImage(image, storeFolder_, storePrefix_, storeExt_,
                               pce_->GetObject()->jpegQuality(), path);
    if (!ok) {
        msg.message(path + " に保存できませんでした\r" +
                    QString::fromStdString(engine::lastErrorMessage()));
        return;
    }
    msg.message(path + " に保存しました");
    currentFile_ = path;
    trp_->ChkFld();
}

void FmMainWindow::rStoreExplore(const QString&) {
    if (!storeFolder_.isEmpty()) W_ExpFd(storeFolder_, false);
}

void FmMainWindow::rStoreTree(const QString&) {
    if (!storeFolder_.isEmpty()) trp_->setPath(storeFolder_);
}

void FmMainWindow::rStoreDialog(const QString&) {
    if (!SbKkn::Act(storeFolder_, storePrefix_, storeExt_)) return;
    if (!Usr::FolderExists(storeFolder_)) storeFolder_.clear();
    pp_->setStorageSet(!storeFolder_.isEmpty());
}

void FmMainWindow::rTreeOpen(const QString&) { W_ExpFd(trp_->Path(), false); }

void FmMainWindow::rTree(const QString& job) {
    trp_->setVisible(job != QStringLiteral("非表示"));
    if (job == QStringLiteral("再表示"))
        trp_->RfrshFL();
    else if (job == QStringLiteral("大ｻﾑﾈｲﾙ"))
        trp_->SlcThmb();
    else if (job == QStringLiteral("参照"))
        trp_->F_GtFld();
    else
        setBrowserDisplay(job);
}

void FmMainWindow::rFolder(const QString& job) { trp_->setPath(job); }

void FmMainWindow::rCleanThumbs(const QString&) { trp_->CleanThmb(); }

void FmMainWindow::rThumbLayout(const QString&) { trp_->SetThmb(); }

void FmMainWindow::rThumbPlace(const QString& job) {
    // The browser and the thumbnail window name their caches by it from the next listing on.
    browser::setCacheBesideImages(job == QStringLiteral("直下"));
}

void FmMainWindow::rEditorsDialog(const QString&) {
    if (!SpPex::Act(exe_)) return;
    for (int n = 0; n < 3; ++n) pp_->setEditorCaption(n, exe_[n].section(',', 0, 0));
}

void FmMainWindow::rEditorRun(const QString& job) { runExternalEditor(job.toInt()); }

void FmMainWindow::runExternalEditor(int n) {
    if (n < 0 || n > 2) return;
    QString caption, program;
    Usr::SplitAt(exe_[n], QStringLiteral(","), caption, program);
    program = program.trimmed();
    if (program.isEmpty() || currentFile_.isEmpty()) return;
    // A bare program name is looked up on the search path, as a desktop user expects.
    const QString found =
        QFileInfo(program).isAbsolute() ? program : QStandardPaths::findExecutable(program);
    // The file goes as its bytes (a name that is no UTF-8 too); an editor that cannot start or
    // ends with an error is reported as missing.
    const auto missing = [program] { util::messages().message(program + " が見つかりません"); };
    if (found.isEmpty() || !QFileInfo(found).isFile()) return missing();
    platform::launchWatched(platform::encodePath(found), {platform::encodePath(currentFile_)},
                            missing);
}

void FmMainWindow::rConfirmDelete(const QString& job) {
    confirmDelete_ = job == QStringLiteral("確認有");
}

void FmMainWindow::rSelectionEntry(const QString& job) {
    trp_->setSlcEnt(job == QStringLiteral("選択時"));
}

void FmMainWindow::rView(const QString& job) { pickOrSend(cbVmd_, QStringLiteral("表示"), job); }

void FmMainWindow::rMouse(const QString& job) {
    pickOrSend(cbMmd_, QStringLiteral("ﾏｳｽﾄﾞﾗｯｸﾞ"), job);
}

void FmMainWindow::pickOrSend(QComboBox* picker, const QString& group, const QString& job) {
    const int index = picker->findText(job);
    if (index < 0 || index == picker->currentIndex())
        editorAction(group, job);  // the picker sends nothing without a change
    else
        picker->setCurrentIndex(index);
}

}  // namespace ximora::app
