#include "app/main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>
#include <QShortcut>
#include <QShowEvent>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/decoding_settings.h"
#include "app/menus/macro_list.h"
#include "app/menus/pp_pic.h"
#include "app/shell_links.h"
#include "browser/thumbnail_cache_files.h"
#include "browser/utrp.h"
#include "dialogs/adjustment_dialogs.h"
#include "dialogs/range_size_dialog.h"
#include "dialogs/resolution_dialog.h"
#include "editor/document/zoom_steps.h"
#include "editor/upce.h"
#include "editor/view/display_colour.h"
#include "editor/view/picture_view.h"
#include "engine/sandbox/sandboxed_decoding.h"
#include "platform/desktop.h"
#include "platform/special_folders.h"
#include "settings/settings_groups.h"
#include "settings/y_ini.h"
#include "util/drawn_icon.h"
#include "util/message_service.h"
#include "util/shared_values.h"
#include "util/timing_trace.h"
#include "util/usr.h"

namespace ximora::app {

using util::shared;

namespace {
const char* const kCommandCaptions[7] = {"取込(&R)", "ﾌｧｲﾙ(&F)", "ﾌｫﾙﾀﾞ(&D)", "編集(&E)",
                                         "ﾏｸﾛ(&M)",  "設定(&U)", "ﾍﾙﾌﾟ(&H)"};

struct Tool {
    const char* tip;
    const char* icon;
    QStyle::StandardPixmap fallback;
    const char* group;
    const char* job;
};
const Tool kTools[6] = {
    {"Ctrl+O ﾌｧｲﾙを指定して開きます", "document-open", QStyle::SP_DialogOpenButton, "ﾌｧｲﾙ",
     "ﾌｧｲﾙを開く"},
    {"Ctrl+S 現在の画像を上書き保存します", "document-save", QStyle::SP_DialogSaveButton, "ﾌｧｲﾙ",
     "上書き保存"},
    {"Ctrl+V ｸﾘｯﾌﾟﾎﾞｰﾄﾞから新規画像に貼り付けます", "edit-paste", QStyle::SP_FileDialogNewFolder,
     "画像編集", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞから新規"},
    {"Ctrl+C 現在の画像をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします", "edit-copy", QStyle::SP_FileDialogContentsView,
     "画像編集", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰ"},
    {"Ctrl+X 画像をﾄﾘﾐﾝｸﾞします", "edit-cut", QStyle::SP_DialogResetButton, "画像編集", "ﾄﾘﾐﾝｸﾞ"},
    {"Ctrl+Z 編集を一つ手前の状態にします", "edit-undo", QStyle::SP_ArrowBack, "画像編集",
     "編集を一つ戻す"},
};

struct Zone {
    const char* caption;
    const char* tip;
};
const Zone kZones[7] = {
    {"", ""},
    {"F5 次の画像", "次の画像を読み込みます"},
    {"F6 画像ｴﾃﾞｨﾀ", "登録されているｱﾌﾟﾘｹｰｼｮﾝを起動します"},
    {"F7 作業ﾌｫﾙﾀﾞに複写", "現在の画像を作業用のﾌｫﾙﾀﾞに連番をつけてｺﾋﾟｰします"},
    {"F8 上書き保存", "現在の画像ﾌｧｲﾙを削除します"},
    {"F9 保存して次へ", "現在の画像を上書き保存して次の画像を読み込みます"},
    {"F10 ﾄﾘﾐﾝｸﾞ保存して次へ", "指定の選択範囲でﾄﾘﾐﾝｸﾞし､上書き保存して次の画像を読み込みます"},
};

struct PickerItem {
    const char* key;
    const char* caption;
};
const PickerItem kViewItems[5] = {
    {"SC", "ｽｹｰﾙ"}, {"AC", "実寸"}, {"WD", "横合わせ"}, {"HI", "縦合わせ"}, {"ST", "ｽﾄﾚｯﾁ"}};
const PickerItem kMouseItems[3] = {{"RG", "矩形選択"}, {"HD", "位置移動"}, {"ZM", "拡大縮小"}};
// The view-mode picker item (0-based) for editor view-mode numbers 1 to 5.
const int kItemOfViewMode[6] = {0, 0, 4, 1, 2, 3};

// The image list entry of a picker item: its key drawn on a small tile.
QIcon keyIcon(const char* key) {
    return util::drawnIcon(QSize(20, 16), [key](QPainter& painter) {
        painter.fillRect(QRectF(0, 0, 20, 16), QColor(0xe8, 0xee, 0xf6));
        painter.setPen(QPen(QColor(0x30, 0x50, 0x80), 1));
        painter.drawRect(QRectF(0.5, 0.5, 19, 15));
        QFont font = painter.font();
        font.setPixelSize(10);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRectF(0, 0, 20, 16), Qt::AlignCenter, QString::fromLatin1(key));
    });
}

int px(double twips, bool horizontal = true) {
    return static_cast<int>(
        std::lround(twips / (horizontal ? util::twipsPerPixelX() : util::twipsPerPixelY())));
}

QWidget* pane(const char* name, QWidget* content) {
    auto* widget = new QWidget;
    widget->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (content) layout->addWidget(content);
    return widget;
}
}  // namespace

FmMainWindow::FmMainWindow(QWidget* parent) : FmMain(parent) {
    pp_ = new PpPic(this);
    pp_->setStateSource([this] { return GtMnState(); });
    trp_ = new browser::uTrP;
    trp_->setObjectName(QStringLiteral("uTrP"));
    pce_ = new editor::uPcE;
    pce_->setObjectName(QStringLiteral("uPcE"));
    pce_->enableZoomInputs();
    editor::uPcE::setAdjustmentDialogs(dialogs::runAdjustmentDialog);
    editor::uPcE::setRangeDialog(dialogs::spSize::Act);
    editor::uPcE::setResolutionDialog(dialogs::spDpi::Act);
    buildLayout();
    connectControls();
    buildKeys();
    resize(px(shared().nWaWidth * 0.7), px(shared().nWaHeight * 0.7, false));
}

FmMainWindow::~FmMainWindow() = default;

void FmMainWindow::buildLayout() {
    buildCommandBar();
    buildFunctionBar();
    pTrP_ = pane("pTrP", trp_);
    pPcE_ = pane("pPcE", pce_);
    pFnc_ = pane("pFnc", pcFnc_);
    pFnc_->setFixedHeight(pcFnc_->sizeHint().height());
    right_ = new QSplitter(Qt::Vertical);
    right_->addWidget(pPcE_);
    right_->addWidget(pFnc_);
    right_->setStretchFactor(0, 1);
    body_ = new QSplitter(Qt::Horizontal);
    body_->addWidget(pTrP_);
    body_->addWidget(right_);
    body_->setStretchFactor(1, 1);
    splitter_ = new QSplitter(Qt::Vertical);
    splitter_->setObjectName(QStringLiteral("Splitter"));
    splitter_->addWidget(pMnu_);
    splitter_->addWidget(body_);
    splitter_->setStretchFactor(1, 1);
    for (QSplitter* s : {splitter_, body_, right_}) Usr::SetSplitterStyle(s);
    body_->setSizes({px(4200), px(9000)});
    setCentralWidget(splitter_);
    connect(body_, &QSplitter::splitterMoved, this, [this] {
        if (shared().bAppAct && !shared().bSuppress && display_ != QStringLiteral("非表示"))
            browserWidth_ = Usr::GetPaneSize(QStringLiteral("pTrP/W"));
    });
}

void FmMainWindow::buildCommandBar() {
    fMnu_ = new QFrame;
    fMnu_->setObjectName(QStringLiteral("fMnu"));
    fMnu_->installEventFilter(this);
    fMnu_->setStyleSheet(
        QStringLiteral("QLabel[objectName^=\"lbCom\"]:hover { background: "
                       "palette(highlight); color: palette(highlighted-text); }"));
    pMnu_ = pane("pMnu", fMnu_);
    pMnu_->setFixedHeight(px(420, false));
    for (int i = 0; i < 7; ++i) {
        // "ﾌｧｲﾙ(&F)" shows as "ﾌｧｲﾙ(F)" with the F underlined; Alt+F opens the menu.
        QString caption = QString::fromUtf8(kCommandCaptions[i]);
        const qsizetype amp = caption.indexOf('&');
        const QChar key = caption.at(amp + 1);
        caption.replace(amp, 2, "<u>" + QString(key) + "</u>");
        lbCom_[i] = new QLabel(caption, fMnu_);
        lbCom_[i]->setObjectName(QStringLiteral("lbCom%1").arg(i));
        lbCom_[i]->setAlignment(Qt::AlignCenter);
        lbCom_[i]->setTextFormat(Qt::RichText);
        auto* alt = new QShortcut(QKeySequence(Qt::ALT | Qt::Key(key.unicode())), this);
        connect(alt, &QShortcut::activated, this, [this, i] {
            if (lbCom_[i]->isVisible()) commandBarClick(i);
        });
        lbCom_[i]->setCursor(Qt::PointingHandCursor);
        lbCom_[i]->installEventFilter(this);
    }
    ssPnl_ = new QFrame(fMnu_);
    ssPnl_->setObjectName(QStringLiteral("ssPnl"));
    ssPnl_->setFrameShape(QFrame::VLine);
    ssPnl_->setFrameShadow(QFrame::Sunken);
    for (int i = 0; i < 6; ++i) {
        imBtn_[i] = new QToolButton(fMnu_);
        imBtn_[i]->setObjectName(QStringLiteral("imBtn%1").arg(i));
        imBtn_[i]->setIcon(QIcon::fromTheme(QString::fromLatin1(kTools[i].icon),
                                            style()->standardIcon(kTools[i].fallback)));
        imBtn_[i]->setToolTip(QString::fromUtf8(kTools[i].tip));
        imBtn_[i]->setAutoRaise(true);
        connect(imBtn_[i], &QToolButton::clicked, this, [this, i] { pressTool(i); });
    }
    imBtn_[1]->setEnabled(false);
    imBtn_[5]->setEnabled(false);
    cbVmd_ = new QComboBox(fMnu_);
    cbVmd_->setObjectName(QStringLiteral("cbVmd"));
    cbMmd_ = new QComboBox(fMnu_);
    cbMmd_->setObjectName(QStringLiteral("cbMmd"));
    fillPickers();
    connect(cbVmd_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0 || shared().bSuppress) return;
        editorAction(QStringLiteral("表示"), cbVmd_->itemText(index));
    });
    connect(cbMmd_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0 || shared().bSuppress) return;
        editorAction(QStringLiteral("ﾏｳｽﾄﾞﾗｯｸﾞ"), cbMmd_->itemText(index));
    });
    pnBmp_ = new QLabel(fMnu_);
    pnBmp_->setObjectName(QStringLiteral("pnBmp"));
    pnBmp_->setToolTip(QStringLiteral("ｽﾀﾝﾌﾟの画像を変更する場合は､ここをﾀﾞﾌﾞﾙｸﾘｯｸして下さい"));
    pnBmp_->setFrameShape(QFrame::Panel);
    pnBmp_->setFrameShadow(QFrame::Sunken);
    pnBmp_->setFixedSize(px(600), px(330, false));
    pnBmp_->setScaledContents(true);
    pnBmp_->installEventFilter(this);
    pnBmp_->hide();
    ssImg_ = new QLabel(fMnu_);
    ssImg_->setObjectName(QStringLiteral("ssImg"));
    ssImg_->setFrameShape(QFrame::Panel);
    ssImg_->setFrameShadow(QFrame::Sunken);
    ssImg_->setTextFormat(Qt::PlainText);
}

void FmMainWindow::fillPickers() {
    const bool was = shared().bSuppress;
    shared().bSuppress = true;
    cbVmd_->clear();
    cbMmd_->clear();
    for (const PickerItem& item : kViewItems)
        cbVmd_->addItem(keyIcon(item.key), QString::fromUtf8(item.caption),
                        QString::fromLatin1(item.key));
    for (const PickerItem& item : kMouseItems)
        cbMmd_->addItem(keyIcon(item.key), QString::fromUtf8(item.caption),
                        QString::fromLatin1(item.key));
    for (QComboBox* box : {cbVmd_, cbMmd_}) box->adjustSize();
    shared().bSuppress = was;
}

void FmMainWindow::buildFunctionBar() {
    pcFnc_ = new QWidget;
    pcFnc_->setObjectName(QStringLiteral("pcFnc"));
    auto* row = new QHBoxLayout(pcFnc_);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(4);
    for (int zone = 1; zone <= 6; ++zone) {
        lbFnc_[zone] = new QLabel(QString::fromUtf8(kZones[zone].caption), pcFnc_);
        lbFnc_[zone]->setObjectName(QStringLiteral("lbFnc%1").arg(zone));
        lbFnc_[zone]->setToolTip(QString::fromUtf8(kZones[zone].tip));
        lbFnc_[zone]->setAlignment(Qt::AlignCenter);
        lbFnc_[zone]->setFrameShape(QFrame::NoFrame);
        lbFnc_[zone]->setMargin(2);
        // The captions shorten in a narrow window (fitCaptions) rather than widen it.
        lbFnc_[zone]->setMinimumWidth(0);
        lbFnc_[zone]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        lbFnc_[zone]->installEventFilter(this);
        row->addWidget(lbFnc_[zone], 1);
    }
    pcFnc_->installEventFilter(this);
}

void FmMainWindow::fitFunctionCaptions() {
    for (int zone = 1; zone <= 6; ++zone) {
        QLabel* label = lbFnc_[zone];
        const int room = label->contentsRect().width() - 2 * label->margin();
        label->setText(label->fontMetrics().elidedText(QString::fromUtf8(kZones[zone].caption),
                                                       Qt::ElideRight, std::max(0, room)));
    }
}

void FmMainWindow::buildKeys() {
    auto bind = [this](QKeySequence keys, std::function<void()> run) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, std::move(run));
    };
    for (int zone = 1; zone <= 6; ++zone)
        bind(QKeySequence(Qt::Key_F5 + zone - 1), [this, zone] { runHotZone(zone); });
    const Qt::Key toolKeys[6] = {Qt::Key_O, Qt::Key_S, Qt::Key_V, Qt::Key_C, Qt::Key_T, Qt::Key_Z};
    for (int i = 0; i < 6; ++i)
        bind(QKeySequence(Qt::CTRL | toolKeys[i]), [this, i] { pressTool(i); });
    // Redo: what "編集を一つ戻す" took back, until the next edit.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)})
        bind(keys,
             [this] { editorAction(QStringLiteral("画像編集"), QStringLiteral("やり直し")); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_W), [this] {
        editorAction(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("連番をつけて作業ﾌｫﾙﾀﾞに複写"));
    });
    bind(QKeySequence(Qt::CTRL | Qt::Key_P),
         [this] { editorAction(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("印刷")); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_M), [this] { rMail({}); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_E), [] { W_ExpFd(shared().sUsrDir + "Temp", false); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_R),
         [this] { editorAction(QStringLiteral("回転"), QStringLiteral("右90度")); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_L),
         [this] { editorAction(QStringLiteral("回転"), QStringLiteral("左90度")); });
}

void FmMainWindow::connectControls() {
    connect(trp_, &browser::uTrP::eSlcFile, this, [this](const QString& path) {
        currentFile_ = path;
        pce_->pcOpen(1, path);
        readAheadNeighbours();
    });
    connect(trp_, &browser::uTrP::eCngDr, this,
            [](const QString& path) { shared().sStartDir = path; });
    connect(trp_, &browser::uTrP::eRClick, this,
            [this](bool onTree) { popUpAndHook(onTree ? 2 : 1, nullptr); });
    connect(trp_, &browser::uTrP::eDelKeyF, this, &FmMainWindow::deleteCurrentFile);

    connect(pce_, &editor::uPcE::eStFile, this,
            [this](const QString& path) { currentFile_ = path; });
    connect(pce_, &editor::uPcE::eStPcTyp, this,
            [this](const QString& path, const QString&, const QString& info) {
                setWindowTitle(path.isEmpty() ? shared().sExeNm : path);
                pictureInfo_ = info;
                if (path.isEmpty()) zoomInfo_.clear();
                showInfoLine();
            });
    editor::PictureView* view = pce_->view();
    view->setStepKeys(true);
    connect(view, &editor::PictureView::stepRequested, this, &FmMainWindow::stepThroughFolder);
    connect(pce_->dGetImg(), &editor::PictureDocument::loadFailed, this,
            &FmMainWindow::setInfoLineText);
    connect(view, &editor::PictureView::zoomShown, this, [this](double zoom) {
        zoomInfo_ = editor::zoomPercentText(zoom);
        showInfoLine();
    });
    connect(pce_, &editor::uPcE::eEdtMode, this, [this](const QString& mode) {
        if (mode == lastEditMode_) return;
        lastEditMode_ = mode;
        pp_->prEdtMode(mode);
        imBtn_[1]->setEnabled(mode == QStringLiteral("編集"));
        imBtn_[5]->setEnabled(mode == QStringLiteral("編集"));
    });
    fullScreen_ = new FullScreenView(*this, {pMnu_, pTrP_, pFnc_});
    connect(fullScreen_, &FullScreenView::nextRequested, this,
            [this] { stepThroughFolder(editor::PictureView::Step::Next); });
    connect(pce_, &editor::uPcE::ePopUp, this, [this] {
        if (fullScreen_->isOn()) {
            fullScreen_->showMenu(QCursor::pos());
            return;
        }
        pp_->prShwRetB(jobKind() != kJobInteractive);
        popUpAndHook(3, nullptr);
    });
    connect(pce_, &editor::uPcE::eChgViewMode, this, [this](int mode) {
        if (mode < 1 || mode > 5) return;
        const bool was = shared().bSuppress;
        shared().bSuppress = true;
        cbVmd_->setCurrentIndex(kItemOfViewMode[mode]);
        shared().bSuppress = was;
    });
    connect(pce_, &editor::uPcE::eShwTBar, this, [this](bool show) {
        int x = cbMmd_->x() + cbMmd_->width() + px(50);
        pnBmp_->setVisible(show);
        if (show) {
            pnBmp_->move(x, px(10, false));
            x += pnBmp_->width();
        }
        placeInfoLine(x);
    });
    connect(pce_, &editor::uPcE::eChkFld, this, [this] { trp_->ChkFld(); });
    connect(pce_, &editor::uPcE::eAskPcPh, this, [this](QString& path) { path = trp_->Path(); });
    connect(pce_, &editor::uPcE::eChgHani, pp_, &PpPic::setRegisteredRanges);
}

void FmMainWindow::stepThroughFolder(editor::PictureView::Step step) {
    using Step = editor::PictureView::Step;
    // A damaged file on the way is told on the information line, and the next key goes on.
    editor::PictureDocument* doc = pce_->dGetImg();
    doc->setQuietLoadErrors(true);
    if (step == Step::Next || step == Step::Previous) {
        stepDirection_ = step == Step::Next ? 1 : -1;
        trp_->MoveNxt(stepDirection_);
    } else {
        trp_->MoveEnd(step == Step::Last);
    }
    doc->setQuietLoadErrors(false);
}

void FmMainWindow::showEvent(QShowEvent* event) {
    FmMain::showEvent(event);
    if (event->spontaneous()) return;
    util::trace::event("window-shown");
    if (!shownOnce_) engine::keepDecodeWorkersReady();
    shownOnce_ = true;
}

void FmMainWindow::readAheadNeighbours() {
    // The way the user last stepped goes first.
    QStringList paths;
    for (const int offset : {stepDirection_, -stepDirection_}) {
        const QString path = trp_->neighbour(offset);
        if (!path.isEmpty() && path != currentFile_ && !paths.contains(path)) paths << path;
    }
    pce_->dGetImg()->readAhead(paths);
}

void FmMainWindow::showInfoLine() {
    setInfoLineText(zoomInfo_.isEmpty() || pictureInfo_.isEmpty()
                        ? pictureInfo_
                        : pictureInfo_ + "  " + zoomInfo_);
}

void FmMainWindow::setInfoLineText(const QString& line) {
    ssImg_->setText(line + " ");
    ssImg_->setToolTip(line);  // the whole line when a narrow window cuts it off
}

void FmMainWindow::layoutCommandBar() {
    lbCom_[0]->setVisible(jobKind() != kJobInteractive);
    const int height = px(330, false);
    int x = px(50);
    for (QLabel* label : lbCom_) {
        if (label->isHidden()) continue;
        const int width = label->sizeHint().width() + px(60);
        label->setGeometry(x, px(90, false) - px(45, false), width, height);
        x += width + px(35);
    }
    x += px(80);
    ssPnl_->setGeometry(x, px(8, false), 3, height);
    x += px(100);
    for (QToolButton* button : imBtn_) {
        button->setGeometry(x, px(20, false), px(340), height + px(40, false));
        x += px(340);
    }
    x += px(100);
    cbVmd_->move(x, px(30, false));
    x += cbVmd_->width() + px(30);
    cbMmd_->move(x, px(30, false));
    x += cbMmd_->width() + px(50);
    if (pnBmp_->isVisibleTo(fMnu_)) {
        pnBmp_->move(x, px(40, false));
        x += pnBmp_->width();
    }
    placeInfoLine(x);
}

void FmMainWindow::placeInfoLine(int x) {
    infoX_ = x;
    const int left = x + px(120);
    ssImg_->setGeometry(left, px(40, false), std::max(px(300), fMnu_->width() - left - px(60)),
                        px(330, false));
}

void FmMainWindow::setUpMenus() {
    layoutCommandBar();
    fillPickers();
    pp_->topMenu(0)->menuAction()->setVisible(jobKind() != kJobInteractive);
    pp_->setRangeRequest(rangeCaption());
    if (!jobFolder().isEmpty() && jobKind() != kJobInteractive) pp_->StPcFldB();
    pp_->prFileEnd(jobKind() == kJobInteractive);
    pp_->prEdtMode(pce_->GetObject()->hasImage() ? pce_->GetObject()->editState()
                                                 : QStringLiteral("初期"));
    // Settings chose the view mode; the picker follows without sending it back.
    const bool was = shared().bSuppress;
    shared().bSuppress = true;
    QString scale;
    int jpg = 0, update = 0, mouse = 0;
    QString ext;
    const bool known = pce_->GetPram(jpg, update, scale, mouse, ext);
    if (known) {
        const int index = cbVmd_->findText(scale);
        cbVmd_->setCurrentIndex(index < 0 ? 0 : index);
    }
    if (!known || mouse < 0 || mouse >= cbMmd_->count()) mouse = 0;
    cbMmd_->setCurrentIndex(mouse);
    shared().bSuppress = was;
    // The editor only stores the mouse mode it is given; the pointer and the drag behaviour
    // change through the command, which the picker would send.
    editorAction(QStringLiteral("ﾏｳｽﾄﾞﾗｯｸﾞ"), cbMmd_->itemText(mouse));
    markSettings();
}

void FmMainWindow::loadStamps() {
    stamps_.clear();
    stampIndex_ = -1;
    const QDir folder(shared().sApDir);
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
        if (name.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive)) stamps_ << name;
    stampIndex_ = static_cast<int>(stamps_.indexOf(stampName_));
    if (stampIndex_ >= 0) showStamp();
}

void FmMainWindow::showStamp() {
    if (stampIndex_ < 0 || stampIndex_ >= stamps_.size()) return;
    stampName_ = stamps_[stampIndex_];
    pnBmp_->setPixmap(QPixmap(shared().sApDir + stampName_));
    pce_->pcStampFL(shared().sApDir + stampName_);
}

void FmMainWindow::nextStamp() {
    if (stamps_.isEmpty()) return;
    stampIndex_ = (stampIndex_ + 1) % static_cast<int>(stamps_.size());
    showStamp();
}

void FmMainWindow::loadSettings() {
    settings::YIni* store = settings::yIni();
    if (!store) return;
    auto& values = shared();
    const auto key = [](const char* text) { return QString::fromUtf8(text); };

    store->GetGtx(key(settings::kGroupScreen));
    int left = static_cast<int>(store->vGtVal("LEFT", static_cast<int>(values.nWaWidth * 0.1)));
    int top = static_cast<int>(store->vGtVal("TOP", static_cast<int>(values.nWaHeight * 0.1)));
    const int storedWidth = static_cast<int>(store->vGtVal("WIDTH", -1));
    int width = storedWidth >= 0 ? storedWidth : static_cast<int>(values.nWaWidth * 0.7);
    int height =
        static_cast<int>(store->vGtVal("HEIGHT", static_cast<int>(values.nWaHeight * 0.7)));
    const int editorHeight = static_cast<int>(store->vGtVal("PCE_HI", 0));
    const int treeHeight = static_cast<int>(store->vGtVal("DIR_HI", 0));
    browserWidth_ = static_cast<int>(store->vGtVal("TRE_WD", 0));
    stampName_ = store->vGtVal("STAMP", "");
    for (int n = 0; n < 3; ++n) exe_[n] = store->vGtVal(QStringLiteral("PC_EXE%1").arg(n + 1), "");
    pce_->UsrHani(store->vGtVal("PC_RNG", ""));

    store->GetGtx(key(settings::kGroupSettings));
    const int jpg = static_cast<int>(store->vGtVal(key("JPG品質"), 0));
    const int update = static_cast<int>(store->vGtVal(key("編集更新"), 0));
    const QString scale = store->vGtVal("SCALE", key("ｽｹｰﾙ"));
    const int mouse = static_cast<int>(store->vGtVal("MOUSE_D", 0));
    const QString saveExt = store->vGtVal(key("保存時拡張子"), "bmp");
    pce_->SetPram(jpg, update, scale, mouse, saveExt);
    confirmDelete_ = store->vGtVal(key("削除前"), key("確認有")) != key("確認無");
    const bool selectionEntry = store->vGtVal(key("行指定"), key("選択時")) == key("選択時");
    browser::setCacheBesideImages(store->vGtVal("TMB_DR", false));
    const DecodingSettings decoding = readDecodingSettings(*store);
    memoryLimitMb_ = decoding.memoryLimitMb;
    decodeInWorkers_ = decoding.inWorkers;
    // Started beside the window once it is on screen, not while it is being made.
    applyDecodingSettings(decoding, !shownOnce_);
    editor::DisplayColour::instance().setManaged(store->vGtVal(key("色管理"), true));
    if (fullScreen_)
        fullScreen_->setIntervalSeconds(static_cast<int>(
            store->vGtVal(key(settings::kKeySlideshowInterval), FullScreenView::kDefaultInterval)));
    values.sRootDir = store->vGtVal("ROOT", "");
    if (!Usr::FolderExists(values.sStartDir)) values.sStartDir = store->vGtVal("PATH", "");
    values.sPcFold = store->vGtVal("PC_FOLD", "");
    display_ = store->vGtVal("DISP_FOLD", "");
    storeFolder_ = store->vGtVal(key("格納ﾌｫﾙﾀﾞ"), "");
    if (!Usr::FolderExists(storeFolder_)) storeFolder_.clear();
    storePrefix_ = store->vGtVal(key("格納Pfx"), "");
    storeExt_ = store->vGtVal(key("格納拡張子"), "bmp");

    store->GetGtx(key(settings::kGroupMacro));
    macroText_ = macros::fromStored(store->vGtVal("COMMAND", ""));
    pp_->MacroMenu(macroText_);

    const QString documents = platform::specialFolder(platform::kFolderDocuments);
    if (!Usr::FolderExists(values.sStartDir)) values.sStartDir = documents;
    if (values.sPcFold.isEmpty()) values.sPcFold = values.sStartDir;
    if (!documents.isEmpty() && !values.sPcFold.contains(documents, Qt::CaseInsensitive))
        values.sPcFold += "," + documents;

    pp_->StPcFld();
    for (int n = 0; n < 3; ++n) pp_->setEditorCaption(n, exe_[n].section(',', 0, 0));
    pp_->setStorageSet(!storeFolder_.isEmpty());
    loadStamps();

    // A first start on a small screen (1366 × 768) opens maximised: the default window, 70 % of
    // the work area, could not hold the command bar and the information line.
    constexpr int kComfortableWidth = 1200, kComfortableHeight = 700;  // logical pixels
    const bool firstStart = storedWidth < 0;
    if (firstStart && (px(width) < kComfortableWidth || px(height, false) < kComfortableHeight)) {
        width = 0;
    }
    if (width < 1 || height < 1) {
        // Where nothing maximises it (no window manager) the window still takes the work
        // area, and is never larger than the screen.
        placeWindow(values.nWaLeft, values.nWaTop, values.nWaWidth, values.nWaHeight);
        showMaximized();
    } else {
        placeWindow(left, top, width, height);
    }

    trp_->setSlcEnt(selectionEntry);
    const bool hidden = display_ == key("非表示");
    trp_->setVisible(!hidden);
    const int paneWidth = hidden ? 35 : browserWidth_;
    if (paneWidth != 0) Usr::SetPaneSize(QStringLiteral("pTrP/W"), paneWidth, true);
    if (editorHeight != 0) Usr::SetPaneSize(QStringLiteral("pPcE/H"), editorHeight, true);
    if (treeHeight != 0) trp_->setDirHi(treeHeight);
}

void FmMainWindow::saveSettings() {
    settings::YIni* store = settings::yIni();
    if (!store) return;
    const auto key = [](const char* text) { return QString::fromUtf8(text); };
    if (display_ != key("非表示")) display_ = trp_->ShwThmb() ? key("表示T") : key("表示F");
    const bool selectionEntry = trp_->SlcEnt();
    if (fullScreen_)
        fullScreen_->leave();  // the window's own place and size are kept, not the screen's
    const bool maximised = isMaximized();
    const QRect placed = storedGeometry();
    const int paneWidth =
        display_ == key("非表示") ? browserWidth_ : Usr::GetPaneSize(QStringLiteral("pTrP/W"));

    store->GetGtx(key(settings::kGroupScreen));
    store->SetVal("LEFT", placed.x());
    store->SetVal("TOP", placed.y());
    // A maximised window comes back maximised.
    store->SetVal("WIDTH", maximised ? 0 : placed.width());
    store->SetVal("HEIGHT", maximised ? 0 : placed.height());
    store->SetVal("PCE_HI", Usr::GetPaneSize(QStringLiteral("pPcE/H")));
    store->SetVal("DIR_HI", trp_->DirHi());
    store->SetVal("TRE_WD", paneWidth);
    store->SetVal("STAMP", stampName_);
    for (int n = 0; n < 3; ++n) store->SetVal(QStringLiteral("PC_EXE%1").arg(n + 1), exe_[n]);
    store->SetVal("PC_RNG", pce_->UsrHani());
    store->SetGtx();

    int jpg = 0, update = 0, mouse = 0;
    QString scale, saveExt;
    const bool editorValues = pce_->GetPram(jpg, update, scale, mouse, saveExt);
    store->GetGtx(key(settings::kGroupSettings));
    if (editorValues) {
        store->SetVal(key("JPG品質"), jpg);
        store->SetVal(key("編集更新"), update);
        store->SetVal("SCALE", scale);
        store->SetVal("MOUSE_D", mouse);
        store->SetVal(key("保存時拡張子"), saveExt);
    }
    store->SetVal(key("削除前"), confirmDelete_ ? key("確認有") : key("確認無"));
    store->SetVal(key("行指定"), selectionEntry ? key("選択時") : key("移動時"));
    const QString root = trp_->Root();
    const QString path = trp_->Path();
    store->SetVal("ROOT", root.isEmpty() ? shared().sRootDir : root);
    store->SetVal("PATH", path.isEmpty() ? shared().sStartDir : path);
    store->SetVal("PC_FOLD", shared().sPcFold);
    store->SetVal("DISP_FOLD", display_);
    store->SetVal(key("格納ﾌｫﾙﾀﾞ"), storeFolder_);
    store->SetVal(key("格納Pfx"), storePrefix_);
    store->SetVal(key("格納拡張子"), storeExt_);
    store->SetVal("TMB_DR", browser::cacheBesideImages());
    store->SetVal(key(settings::kKeyMemoryLimit), memoryLimitMb_);
    store->SetVal(key(settings::kKeyDecodeInWorkers), decodeInWorkers_);
    store->SetVal(key("色管理"), editor::DisplayColour::instance().managed());
    if (fullScreen_)
        store->SetVal(key(settings::kKeySlideshowInterval), fullScreen_->intervalSeconds());
    store->SetGtx();

    store->GetGtx(key(settings::kGroupMacro));
    store->SetVal("COMMAND", macros::toStored(macroText_));
    store->SetGtx();
}

void FmMainWindow::startControls() {
    auto& values = shared();
    // A file job starts the browser in the job file's folder: the file the caller named is the
    // one selected and edited, never a namesake in the folder of the last run.
    QString start = values.sStartDir;
    if (jobKind() == kJobFile) {
        const QString folder = QFileInfo(jobFile()).absolutePath();
        if (Usr::FolderExists(folder)) start = folder;
    }
    trp_->cOn(values.sRootDir, start, false, jobFile());
    if (jobKind() == kJobFile) setJobFolder(trp_->Path());
    pce_->cOn(this, values.sUsrDir + "Wrk/");
    if (display_ != QStringLiteral("非表示")) trp_->setShwThmb(display_ == QStringLiteral("表示T"));
    started_ = true;
    // A window maximised at its first start took its size before the controls started: the
    // picture view follows it now rather than at the next resize.
    pce_->StSize();
}

void FmMainWindow::stopControls() {
    if (!started_) return;
    started_ = false;
    pce_->cOff();
    trp_->cOff();
}

void FmMainWindow::editorAction(const QString& group, const QString& job) {
    pce_->pcAct(group, job);
}

void FmMainWindow::editorOpen(const QString& file) {
    currentFile_ = file;
    pce_->pcOpen(1, file);
}

int FmMainWindow::checkSave() {
    const int answer = pce_->vCheckSave();
    // The sub window goes with the program; its picture is asked about as well.
    if (answer == editor::uPcE::kCancel || !sub_) return answer;
    return sub_->checkSave() == editor::uPcE::kCancel ? editor::uPcE::kCancel : answer;
}

bool FmMainWindow::mayEndRun() { return !sub_ || sub_->checkSave() != editor::uPcE::kCancel; }

void FmMainWindow::keepUnsavedPictures(bool everyEdited) {
    std::vector<editor::uPcE*> editors{pce_};
    if (sub_) editors.push_back(sub_->editor());
    for (editor::uPcE* control : editors) {
        editor::PictureDocument* doc = control->GetObject();
        if (doc->editState() != editor::kStateEdited) continue;
        if (!everyEdited && !doc->file().isEmpty() && jobKind() == kJobInteractive) continue;
        shared().bUnsaved = true;
        const QString path = doc->saveSerialCopy();
        util::messages().message(path.isEmpty()
                                     ? QStringLiteral("未保存の画像を保存できませんでした")
                                     : QStringLiteral("未保存の画像を ") + path +
                                           QStringLiteral(" に保存しました"));
    }
}

void FmMainWindow::setBrowserDisplay(const QString& mode) {
    display_ = mode;
    const bool hidden = mode == QStringLiteral("非表示");
    trp_->setVisible(!hidden);
    if (!hidden) trp_->setShwThmb(mode == QStringLiteral("表示T"));
    if (hidden) {
        Usr::SetPaneSize(QStringLiteral("pTrP/W"), 35, false);
    } else {
        if (browserWidth_ < 50) browserWidth_ = 3000;
        Usr::SetPaneSize(QStringLiteral("pTrP/W"), browserWidth_, false);
    }
}

void FmMainWindow::resizeEvent(QResizeEvent* event) {
    FmMain::resizeEvent(event);
    if (!shared().bAppAct || isMinimized()) return;
    if (started_) {
        pce_->StSize();
        if (!shared().bSuppress) editorAction(QStringLiteral("表示"), QStringLiteral("Refresh"));
    }
}

bool FmMainWindow::CnvPic(const QString& source, const QString& target, int quality) {
    return pce_->aeCnvPic(source, target, quality);
}

bool FmMainWindow::SaveCapt(const QString& file, bool activeWindow) {
    return pce_->aeSaveCapt(file, activeWindow);
}

bool FmMainWindow::SaveClp(const QString& file) { return pce_->aeSaveClp(file); }

void FmMainWindow::changeEvent(QEvent* event) {
    FmMain::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow()) return;
    if (started_ && display_ != QStringLiteral("非表示"))
        trp_->setShwThmb(display_ == QStringLiteral("表示T"));
    Usr::UnlockPanes({QStringLiteral("pTrP/W"), QStringLiteral("pPcE/H")});
}

bool FmMainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    for (int i = 0; i < 7; ++i)
        if (watched == lbCom_[i] && type == QEvent::MouseButtonPress) {
            commandBarClick(i);
            return true;
        }
    for (int zone = 1; zone <= 6; ++zone) {
        if (watched != lbFnc_[zone]) continue;
        if (type == QEvent::Enter) highlightZone(zone);
        if (type == QEvent::Leave) highlightZone(0);
        if (type == QEvent::MouseButtonRelease) runHotZone(zone);
    }
    if (watched == pnBmp_ && type == QEvent::MouseButtonDblClick) nextStamp();
    if (watched == fMnu_ && type == QEvent::Resize) placeInfoLine(infoX_);
    if (watched == pcFnc_ && type == QEvent::Resize) fitFunctionCaptions();
    return FmMain::eventFilter(watched, event);
}

void FmMainWindow::pressTool(int index) {
    QToolButton* button = imBtn_[index];
    if (!button->isEnabled()) return;
    button->setEnabled(false);
    editorAction(QString::fromUtf8(kTools[index].group), QString::fromUtf8(kTools[index].job));
    QApplication::processEvents();
    // Save and undo stay as the edit state has set them meanwhile.
    const bool edited = lastEditMode_ == QStringLiteral("編集");
    button->setEnabled(index == 1 || index == 5 ? edited : true);
}

void FmMainWindow::dropLabelHighlight() {
    // A label lights up under the pointer; the menu it opened takes the pointer away, so the
    // label never hears that it was left.
    const QPoint pointer = QCursor::pos();
    for (QLabel* label : lbCom_) {
        const bool under =
            label->isVisible() && label->rect().contains(label->mapFromGlobal(pointer));
        if (label->testAttribute(Qt::WA_UnderMouse) == under) continue;
        label->setAttribute(Qt::WA_UnderMouse, under);
        label->update();
    }
}

void FmMainWindow::markSettings() {
    int jpg = 0, update = 0, mouse = 0;
    QString scale, ext;
    if (!pce_->GetPram(jpg, update, scale, mouse, ext)) return;
    pp_->SetParam(update, confirmDelete_, trp_->SlcEnt(), scale, mouse,
                  browser::cacheBesideImages());
}

void FmMainWindow::highlightZone(int zone) {
    hotZone_ = zone;
    for (int n = 1; n <= 6; ++n)
        lbFnc_[n]->setFrameShape(n == zone ? QFrame::Box : QFrame::NoFrame);
}

}  // namespace ximora::app
