// Every menu pair that changes the picture marks it edited: a change that is not marked is lost
// without the save question. The pairs come from the menu table; whether a pair changed the
// picture is judged by comparing the picture before and after, never by the pair's name.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <set>
#include <utility>
#include <vector>

#include "app/menus/menu_tree.h"
#include "editor/document/command_table.h"
#include "editor/upce.h"
#include "engine/codecs/registry.h"
#include "engine/test_images.h"
#include "util/scripted_messages.h"
#include "util/shared_values.h"

namespace ximora::app {
namespace {

using Pair = std::pair<QString, QString>;

// Every (group, job) the menus produce that the editor's command table handles, in menu order.
std::vector<Pair> editorPairs() {
    std::vector<Pair> pairs;
    std::set<Pair> seen;
    std::vector<QString> groups(8);
    for (int i = 0; i < menuRowCount(); ++i) {
        const MenuRow& row = menuRows()[i];
        const QString inherited = row.depth > 0 ? groups[size_t(row.depth - 1)] : QString();
        const QString group = row.group ? QString::fromUtf8(row.group) : inherited;
        groups[size_t(row.depth)] = group;
        QString job = row.job ? QString::fromUtf8(row.job) : QString::fromUtf8(row.caption);
        if (const qsizetype cut = job.indexOf(QStringLiteral("(&")); cut >= 0) job.truncate(cut);
        if (job.isEmpty() || job == QStringLiteral("-")) continue;
        const editor::CommandTable::Row* known = editor::CommandTable::find(group, job);
        if (!known || !known->handler || !seen.insert({group, job}).second) continue;
        pairs.emplace_back(group, job);
    }
    return pairs;
}

// Whether the picture a user would save differs: size, depth, resolution or any pixel.
bool samePicture(const engine::Image& a, const engine::Image& b) {
    return a.width() == b.width() && a.height() == b.height() && a.dpiX == b.dpiX &&
           a.dpiY == b.dpiY && a.grey() == b.grey() && engine::testing::samePixels(a, b);
}

// Commands that put another document in place, write it or restore an earlier state: their
// own state rules apply. Devices (printer, scanner) never change the picture and need
// hardware, so they are not run here.
const std::set<QString> kNotEdits = {"新規作成",
                                     "ﾌｧｲﾙを開く",
                                     "ｸﾘｯﾌﾟﾎﾞｰﾄﾞから新規",
                                     "ｽｷｬﾅｰから読込",
                                     "読込時に戻す",
                                     "編集を一つ戻す",
                                     "初期化",
                                     "上書き保存",
                                     "名前を付けて保存",
                                     "連番をつけて作業ﾌｫﾙﾀﾞに複写",
                                     "連番をつけて保存",
                                     "複写して新規",
                                     "印刷",
                                     "印刷設定",
                                     "ｽｷｬﾝｿｰｽ"};

class CommandMarksTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = util::shared();
        util::shared().sUsrDir = dir_.path() + "/usr/";
        auto scripted = std::make_unique<util::ScriptedMessages>();
        previous_ = util::installMessages(std::move(scripted));
        // The dialogs answer as a user who changes something and confirms.
        editor::uPcE::setAdjustmentDialogs(
            [](const editor::AdjustmentRequest&, engine::Image& image, QWidget*) {
                uint8_t* byte = image.row(1);
                *byte = uint8_t(255 - *byte);
                return true;
            });
        editor::uPcE::setResolutionDialog([](int& x, int& y, int, int, QWidget*) {
            x = y = 300;
            return true;
        });
    }
    void TearDown() override {
        editor::uPcE::setAdjustmentDialogs({});
        editor::uPcE::setResolutionDialog({});
        util::installMessages(std::move(previous_));
        util::shared() = saved_;
    }

    QTemporaryDir dir_;
    util::SharedValues saved_;
    std::unique_ptr<util::MessageService> previous_;
};

TEST_F(CommandMarksTest, EveryPairThatChangesThePictureMarksItEdited) {
    const std::vector<Pair> pairs = editorPairs();
    ASSERT_GT(pairs.size(), 60u);
    const QString file = dir_.filePath("photo.bmp");
    engine::Image photo = engine::testing::randomImage(48, 36, 24);
    photo.dpiX = photo.dpiY = 72;
    ASSERT_TRUE(engine::saveImage(QFile::encodeName(file).toStdString(), photo, {}));

    int changed = 0;
    for (const auto& [group, job] : pairs) {
        if (kNotEdits.count(job)) continue;
        QWidget window;
        editor::uPcE control(&window);
        control.cOn(&window, dir_.path() + "/Wrk/");
        control.pcOpen(0, file);
        ASSERT_TRUE(control.GetObject()->hasImage());
        control.GetObject()->setSelection({4, 4, 30, 24});
        const engine::Image before = control.GetObject()->image();
        control.pcAct(group, job);
        const editor::PictureDocument& doc = *control.GetObject();
        if (doc.file() == file && doc.hasImage() && !samePicture(before, doc.image())) {
            ++changed;
            EXPECT_EQ(doc.editState(), editor::kStateEdited) << (group + "⇒" + job).toStdString();
        }
        control.cOff();
    }
    // The walk reached the editing commands: filters, colours, turns, frames, dialogs.
    EXPECT_GT(changed, 50);
}

}  // namespace
}  // namespace ximora::app
