// dialogs_demo KIND FILE [--shot PNG]: opens the adjustment dialog KIND (colour, correction,
// effects, rotation, save) on FILE. With --shot the dialog presses "Draw" (or the first step
// button), saves a picture of itself to PNG and exits.
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "dialogs/adjustment_dialogs.h"
#include "dialogs/colour_depth_dialog.h"
#include "dialogs/correction_dialog.h"
#include "dialogs/effects_dialog.h"
#include "dialogs/rotation_dialog.h"
#include "dialogs/save_as_dialog.h"
#include "engine/codecs/registry.h"
#include "util/qt_messages.h"
#include "util/usr.h"

using namespace ximora;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ximora::util::useQtMessageBoxes();
    Usr::StartupMetrics(nullptr);  // the screen's work area places the dialog, as in the program
    if (argc < 3) {
        std::fprintf(
            stderr,
            "usage: dialogs_demo colour|correction|effects|rotation|save FILE [--shot PNG]\n");
        return 2;
    }
    engine::Image image;
    if (!engine::loadImage(argv[2], image)) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    const char* shot = argc >= 5 && std::strcmp(argv[3], "--shot") == 0 ? argv[4] : nullptr;
    const QString kind = QString::fromLocal8Bit(argv[1]);
    std::unique_ptr<dialogs::AdjustDialog> dialog;
    const editor::Selection range{image.width() / 4, image.height() / 4, image.width() * 3 / 4,
                                  image.height() * 3 / 4};
    if (kind == QStringLiteral("colour"))
        dialog = std::make_unique<dialogs::spImgC>(image, QStringLiteral("24."));
    else if (kind == QStringLiteral("correction"))
        dialog = std::make_unique<dialogs::spImgH>(image, 1, range);
    else if (kind == QStringLiteral("effects"))
        dialog = std::make_unique<dialogs::spImgK>(image, 1, range);
    else if (kind == QStringLiteral("save"))
        dialog = std::make_unique<dialogs::spImgSV>(image);
    else
        dialog = std::make_unique<dialogs::spImgR>(image, 1, QStringLiteral("24."));
    dialog->show();
    if (shot) {
        QTimer::singleShot(300, [&] {
            if (auto* tabbed = dynamic_cast<dialogs::TabbedAdjustDialog*>(dialog.get()))
                tabbed->drawButton()->click();
            else if (auto* rotation = dynamic_cast<dialogs::spImgR*>(dialog.get()))
                rotation->turnStep(1);
            else if (auto* colour = dynamic_cast<dialogs::spImgC*>(dialog.get()))
                colour->colourOption(3)->click();
            QTimer::singleShot(300, [&] {
                dialog->grab().save(QString::fromLocal8Bit(shot));
                app.quit();
            });
        });
    }
    return app.exec();
}
