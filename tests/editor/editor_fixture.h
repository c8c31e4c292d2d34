#pragma once
// A document on files in a temporary folder, with the scripted message service answering.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "editor/document/picture_document.h"
#include "engine/codecs/registry.h"
#include "engine/test_images.h"
#include "util/scripted_messages.h"

namespace ximora::editor::testing {

class DocumentTest : public ::testing::Test {
  protected:
    DocumentTest() : messages_(std::make_unique<util::ScriptedMessages>()) {
        script_ = static_cast<util::ScriptedMessages*>(&util::messages());
        doc_.start(work() + '/');
    }
    ~DocumentTest() override { doc_.stop(); }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString work() const { return dir_.filePath(QStringLiteral("Wrk")); }

    /// Writes `image` as a file named `name` in the temporary folder, a BMP unless `format` says
    /// otherwise.
    QString write(const QString& name, const engine::Image& image, int format = engine::kSaveBmp) {
        engine::SaveOptions options;
        options.format = format;
        EXPECT_TRUE(engine::saveImage(QFile::encodeName(path(name)).toStdString(), image, options));
        return path(name);
    }
    engine::Image read(const QString& file) {
        engine::Image image;
        EXPECT_TRUE(engine::loadImage(QFile::encodeName(file).toStdString(), image))
            << file.toStdString();
        return image;
    }
    /// Opens a generated 24-bit image of w × h as "a.bmp".
    engine::Image open(int w, int h, int bits = 24, const QString& name = QStringLiteral("a.bmp")) {
        engine::Image image = engine::testing::randomImage(w, h, bits);
        doc_.pcOpen(0, write(name, image));
        EXPECT_TRUE(doc_.hasImage());
        return read(path(name));
    }

    QTemporaryDir dir_;
    util::ScopedMessages messages_;
    util::ScriptedMessages* script_ = nullptr;
    PictureDocument doc_;
};

}  // namespace ximora::editor::testing
