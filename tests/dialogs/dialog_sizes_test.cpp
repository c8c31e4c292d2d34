// Every dialog fits a small work area: 960 × 540, what a 1920 × 1080 screen offers at scale
// factor 2 (logical pixels; the dialogs are laid out in logical pixels at every scale).
#include <gtest/gtest.h>

#include <QDialog>
#include <functional>
#include <memory>

#include "dialogs/colour_depth_dialog.h"
#include "dialogs/correction_dialog.h"
#include "dialogs/effects_dialog.h"
#include "dialogs/range_size_dialog.h"
#include "dialogs/resolution_dialog.h"
#include "dialogs/rotation_dialog.h"
#include "dialogs/save_as_dialog.h"
#include "engine/test_images.h"
#include "util/shared_values.h"

namespace ximora::dialogs {
namespace {

constexpr QSize kWorkArea(960, 540);

TEST(DialogSizes, EveryDialogFitsTheWorkAreaOfAScaledScreen) {
    util::SharedValues& values = util::shared();
    const util::SharedValues saved = values;
    values.nWaLeft = values.nWaTop = 0;
    values.nWaWidth = int(kWorkArea.width() * util::twipsPerPixelX());
    values.nWaHeight = int(kWorkArea.height() * util::twipsPerPixelY());
    values.mainWindow = nullptr;

    const engine::Image image = engine::testing::randomImage(1600, 1200, 24);
    const std::pair<const char*, std::function<std::unique_ptr<QDialog>()>> dialogs[] = {
        {"colour depth", [&] { return std::make_unique<spImgC>(image, QStringLiteral("24.")); }},
        {"correction", [&] { return std::make_unique<spImgH>(image, 1, editor::Selection{}); }},
        {"effects", [&] { return std::make_unique<spImgK>(image, 1, editor::Selection{}); }},
        {"rotation", [&] { return std::make_unique<spImgR>(image, 1, QStringLiteral("24.")); }},
        {"save as", [&] { return std::make_unique<spImgSV>(image); }},
        {"range size", [] { return std::make_unique<spSize>(QString(), 1600, 1200); }},
        {"resolution", [] { return std::make_unique<spDpi>(96, 96, 1600, 1200); }},
    };
    const QRect area(QPoint(0, 0), kWorkArea);
    for (const auto& [name, make] : dialogs) {
        const std::unique_ptr<QDialog> dialog = make();
        dialog->show();
        const QSize least = dialog->minimumSizeHint();
        EXPECT_LE(least.width(), kWorkArea.width()) << name;
        EXPECT_LE(least.height(), kWorkArea.height()) << name;
        EXPECT_TRUE(area.contains(dialog->geometry()))
            << name << ": " << dialog->geometry().x() << "," << dialog->geometry().y() << " "
            << dialog->width() << "x" << dialog->height();
        dialog->hide();
    }
    values = saved;
}

}  // namespace
}  // namespace ximora::dialogs
