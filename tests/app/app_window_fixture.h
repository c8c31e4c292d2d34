#pragma once
// The real main window offscreen over a scratch home: shared values, settings store and the
// scripted message service set up and put back, pictures written on demand.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <memory>

#include "app/main_window.h"
#include "settings/y_ini.h"
#include "support/scoped_env.h"
#include "util/scripted_messages.h"
#include "util/shared_values.h"

namespace ximora::testing {

class AppWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = util::shared();
        auto& v = util::shared();
        v.sUsrDir = dir_.path() + "/usr/";
        v.sApDir = dir_.path() + "/apData/";
        v.sStartDir = pics();
        v.nScrDpiX = v.nScrDpiY = 96;
        QDir().mkpath(v.sUsrDir);
        QDir().mkpath(pics());
        QGuiApplication::clipboard()->clear();
        settings::setYIni(std::make_unique<settings::YIni>(v.sUsrDir));
        auto scripted = std::make_unique<util::ScriptedMessages>();
        msg_ = scripted.get();
        previous_ = util::installMessages(std::move(scripted));
    }
    void TearDown() override {
        util::installMessages(std::move(previous_));
        settings::releaseYIni();
        util::shared() = saved_;
        QGuiApplication::clipboard()->clear();
    }

    QString pics() const { return dir_.path() + "/pics"; }
    /// A w × h picture in the pictures folder: red with a blue top-left pixel.
    QString picture(const QString& name, int w = 8, int h = 4) const {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(QColor(200, 40, 40));
        image.setPixelColor(0, 0, Qt::blue);
        const QString path = pics() + "/" + name;
        image.save(path);
        return path;
    }
    /// Loads the settings and starts the window's interactive job on `file`.
    static void startInteractive(app::FmMainWindow& main, const QString& file) {
        ASSERT_TRUE(main.load());
        QString path = file;
        float w = 0, h = 0;
        bool ok = false, gif = false;
        main.Act(app::kJobInteractive, path, w, h, false, false, ok, gif);
    }

    QTemporaryDir dir_;
    ScopedEnv data_{"XDG_DATA_HOME", (dir_.path() + "/data").toUtf8()};
    ScopedEnv home_{"HOME", dir_.path().toUtf8()};
    util::ScriptedMessages* msg_ = nullptr;

  private:
    std::unique_ptr<util::MessageService> previous_;
    util::SharedValues saved_;
};

}  // namespace ximora::testing
