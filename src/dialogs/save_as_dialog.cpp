#include "dialogs/save_as_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "editor/document/save_questions.h"
#include "editor/upce.h"
#include "editor/view/picture_view.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/core/handles.h"
#include "engine/formats/format_rules.h"
#include "platform/file_names.h"
#include "util/message_service.h"
#include "util/shared_values.h"

namespace ximora::dialogs {
namespace {

struct FormatRow {
    const char* heading;
    const char* captions[2];
    spImgSV::Choice choices[2];
    const char* filter;
};

const FormatRow kRows[spImgSV::kFormats] = {
    {"BMP",
     {"BMP(非圧縮)", "BMP(圧縮)"},
     {{0, false, "bmp"}, {1, false, "bmp"}},
     "ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp)"},
    {"JPEG",
     {"JPEG", "JPEG ﾌﾟﾛｸﾞﾚｯｼﾌﾞ"},
     {{2, false, "jpg"}, {3, false, "jpg"}},
     "JPEG ﾌｧｲﾙ(*.jpg)"},
    {"GIF", {"GIF", "GIF ｲﾝﾀｰﾚｰｽ"}, {{4, false, "gif"}, {4, true, "gif"}}, "GIF ﾌｧｲﾙ(*.gif)"},
    {"TIFF",
     {"TIFF 非圧縮", "TIFF LZW圧縮"},
     {{5, false, "tif"}, {11, false, "tif"}},
     "TITT ﾌｧｲﾙ(*.tif)"},
    {"PNG", {"PNG", "PNG ｲﾝﾀｰﾚｰｽ"}, {{12, false, "png"}, {12, true, "png"}}, "PNG ﾌｧｲﾙ(*.png)"},
    {"FPX",
     {"FPX 非圧縮", "FPX JPEG圧縮"},
     {{13, false, "fpx"}, {15, false, "fpx"}},
     "FPX ﾌｧｲﾙ(*.fpx)"},
    {"JPEG2000",
     {"JP2", "JP2 CodeStream"},
     {{21, false, "jp2"}, {22, false, "jp2"}},
     "JPEG2000 ﾌｧｲﾙ(*.jp2)"},
    {"WebP",
     {"WebP", "WebP 可逆圧縮"},
     {{30, false, "webp"}, {31, false, "webp"}},
     "WebP ﾌｧｲﾙ(*.webp)"},
};

const QString kCannotSave = QStringLiteral("画像を保存できませんでした");

// The lowest quality a file is written with.
constexpr int kMinQuality = 20;

// The save options of `choice` at `quality` (20 to 100). JPEG 2000 reads the quality as the
// share of the data kept: 100 is lossless, below it the compression ratio is 100 / quality.
// WebP takes it as JPEG does, 100 writing losslessly.
engine::SaveOptions optionsFor(const spImgSV::Choice& choice, int quality, int transparent) {
    engine::SaveOptions options;
    options.format = choice.code;
    const std::string_view ext = choice.extension;
    if (ext == "jp2") {
        options.jpeg2000Ratio = quality >= 100 ? 0 : int(std::lround(100.0 / quality));
    } else if (ext == "jpg" || ext == "fpx" || ext == "webp") {
        options.jpegQuality = quality;
    } else if (ext == "gif" || ext == "png") {
        options.interlace = choice.interlace;
        options.transparentColour = transparent;
    }
    return options;
}

// The chosen name with "." and the extension appended when its file name has no ".".
// The path with the chosen format's extension added when it has none, or when its own names
// another format ("x.heic" for JPEG becomes "x.heic.jpg"): the bytes written are never of
// another format than the name says. A name whose extension names no format is kept.
QString withExtension(const QString& path, const char* extension) {
    const std::string own = engine::lowerExtension(platform::encodePath(path).toStdString());
    const bool namesAnother =
        engine::isReadOnlyExtension(own) ||
        (engine::editorSaveFormat(own) != 0 &&
         engine::editorSaveFormat(own) != engine::editorSaveFormat(extension));
    if (!own.empty() && !namesAnother) return path;
    return path + QLatin1Char('.') + QString::fromUtf8(extension);
}

}  // namespace

spImgSV::spImgSV(const engine::Image& image, const QString& startFolder, QWidget* parent)
    : AdjustDialog(QStringLiteral("画像の保存(詳細指定)"), QSize(760, 640), parent),
      group_(new QButtonGroup(this)),
      slider_(new QSlider(Qt::Horizontal, this)),
      chTrans_(new QCheckBox(QStringLiteral("透過色の指定 (GIF PNG)"), this)),
      lbColor_(new QLabel(this)),
      cmRet_{new QPushButton(QStringLiteral("保存(&S)"), this),
             new QPushButton(QStringLiteral("閉じる"), this)},
      startFolder_(startFolder) {
    util::SharedValues& values = util::shared();
    values.bSuppress = true;

    // Two rows of format boxes, so that the dialog fits half of a scaled screen.
    auto* formats = new QGridLayout;
    const char* names[kFormats] = {"opBmp", "opJpg", "opGif", "opTif",
                                   "opPng", "opFpx", "opJp2", "opWebp"};
    for (int f = 0; f < kFormats; ++f) {
        auto* box = new QGroupBox(QString::fromUtf8(kRows[f].heading), this);
        auto* column = new QVBoxLayout(box);
        for (int i = 0; i < 2; ++i) {
            options_[f][i] = new QRadioButton(QString::fromUtf8(kRows[f].captions[i]), box);
            options_[f][i]->setObjectName(QString::fromUtf8(names[f]) + QString::number(i));
            group_->addButton(options_[f][i]);
            column->addWidget(options_[f][i]);
        }
        formats->addWidget(box, f / 4, f % 4);
    }
    options_[Bmp][0]->setChecked(true);

    auto* qualityBox = new QGroupBox(QStringLiteral("JPEG ｸｵﾘﾃｨの指定 (JPG PNG FPX)"), this);
    auto* qualityRow = new QHBoxLayout(qualityBox);
    slider_->setObjectName(QStringLiteral("Slider1"));
    slider_->setRange(0, 100);
    slider_->setValue(85);
    qualityRow->addWidget(new QLabel(QStringLiteral("粗い"), qualityBox));
    qualityRow->addWidget(slider_, 1);
    qualityRow->addWidget(new QLabel(QStringLiteral("きれい"), qualityBox));

    auto* transBox = new QGroupBox(this);
    auto* transRow = new QHBoxLayout(transBox);
    chTrans_->setObjectName(QStringLiteral("chTrans"));
    lbColor_->setObjectName(QStringLiteral("lbColor"));
    lbColor_->setFixedSize(32, 20);
    lbColor_->setFrameShape(QFrame::Box);
    lbColor_->setAutoFillBackground(true);
    setTransparentColour(0);
    transRow->addWidget(chTrans_);
    transRow->addWidget(lbColor_);
    transRow->addWidget(
        new QLabel(QStringLiteral("画像をクリックして透過色を指定して下さい"), transBox));
    transRow->addStretch();

    auto* commands = new QHBoxLayout;
    commands->addWidget(qualityBox, 1);
    commands->addWidget(transBox, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(actualSizeBox());
    buttons->addWidget(zoomPicture());
    buttons->addStretch();
    for (int i = 0; i < 2; ++i) {
        cmRet_[i]->setObjectName(QStringLiteral("cmRet%1").arg(i));
        cmRet_[i]->setAutoDefault(false);
        buttons->addWidget(cmRet_[i]);
    }
    connect(cmRet_[0], &QPushButton::clicked, this, &spImgSV::save);
    connect(cmRet_[1], &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(formats);
    layout->addLayout(commands);
    layout->addLayout(buttons);
    layout->addWidget(preview(), 1);

    reportPreviewClicks([this](QPoint p) { pickColour(p); });  // clicks pick the colour
    showWorking(image, 1);
    values.bSuppress = false;
}

void spImgSV::Act(int nHnd, QWidget* parent, const QString& startFolder) {
    if (nHnd == 0) return;
    const std::shared_ptr<engine::Image> image = engine::imageHandles().get(nHnd);
    if (!image || image->empty()) return;
    spImgSV dialog(*image, startFolder, parent);
    util::messages().runModal(dialog);
}

QRadioButton* spImgSV::formatOption(Format format, int index) const {
    return options_[format][index];
}

QPoint spImgSV::chosenButton() const {
    for (int f = 0; f < kFormats; ++f)
        for (int i = 0; i < 2; ++i)
            if (options_[f][i]->isChecked()) return {f, i};
    return {Bmp, 0};
}

spImgSV::Choice spImgSV::choice() const {
    const QPoint chosen = chosenButton();
    return kRows[chosen.x()].choices[chosen.y()];
}

bool spImgSV::prepared(engine::Image& out) {
    const std::string extension = choice().extension;
    out = working();
    const int code = out.colourCode();
    if (engine::requiredColourCode(extension, out, code) == 0) return true;
    busy(true);
    const bool ok = engine::prepareForExtension(out, extension, code);
    busy(false);
    return ok;
}

void spImgSV::pickColour(QPoint point) {
    engine::Image image;
    if (util::shared().bSuppress || !prepared(image)) return;
    if (point.x() < 0 || point.y() < 0 || point.x() >= image.width() || point.y() >= image.height())
        return;
    const engine::Colour c = image.pixel(point.x(), point.y());
    setTransparentColour((c.r << 16) | (c.g << 8) | c.b);
}

void spImgSV::setTransparentColour(int rgb) {
    colour_ = rgb;
    QPalette palette = lbColor_->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(QRgb(rgb)));
    lbColor_->setPalette(palette);
}

void spImgSV::save() {
    const Choice chosen = choice();
    auto& msg = util::messages();
    engine::Image image;
    if (!prepared(image)) {
        msg.message(kCannotSave);
        return reject();
    }
    const int quality = std::max(slider_->value(), kMinQuality);
    const char* filter = kRows[chosenButton().x()].filter;
    QString path =
        msg.saveFile({QStringLiteral("画像を保存"), startFolder_, QString::fromUtf8(filter)});
    if (path.isEmpty()) {
        msg.message(kCannotSave);
        return reject();
    }
    path = withExtension(path, chosen.extension);
    if (!editor::confirmReplace(path)) return reject();
    const engine::SaveOptions options =
        optionsFor(chosen, quality, chTrans_->isChecked() ? colour_ : -1);
    busy(true);
    const bool ok = engine::saveImage(platform::encodePath(path).toStdString(), image, options);
    busy(false);
    // A file that could not be written is reported: the user would otherwise look for it.
    if (!ok) {
        const std::string reason = engine::lastErrorMessage();
        msg.message(reason.empty() ? kCannotSave : QString::fromStdString(reason));
    }
    accept();
}

}  // namespace ximora::dialogs
