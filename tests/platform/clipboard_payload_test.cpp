#include <gtest/gtest.h>

#include <QImage>
#include <QMimeData>

#include "platform/clipboard_payload.h"

using namespace ximora::platform;

TEST(ClipboardPayload, CarriesPicturePixelForPixelAndEveryOtherFormat) {
    // An indexed picture with an odd width: padded rows and a colour table must both survive.
    QImage picture(5, 3, QImage::Format_Indexed8);
    picture.setColorTable({qRgb(255, 0, 0), qRgb(0, 128, 255), qRgb(9, 9, 9)});
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, (x + y) % 3);
    picture.setDotsPerMeterX(11811);
    QMimeData source;
    source.setImageData(picture);
    source.setData("x-special/gnome-copied-files", "copy\nfile:///tmp/a.png");
    source.setText("写真");

    const std::unique_ptr<QMimeData> copy = decodeClipboard(encodeClipboard(source));
    ASSERT_TRUE(copy);
    const QImage back = qvariant_cast<QImage>(copy->imageData());
    EXPECT_EQ(back.format(), QImage::Format_Indexed8);
    EXPECT_EQ(back, picture);
    EXPECT_EQ(back.dotsPerMeterX(), 11811);
    EXPECT_EQ(copy->data("x-special/gnome-copied-files"), "copy\nfile:///tmp/a.png");
    EXPECT_EQ(copy->text(), "写真");
    EXPECT_EQ(copy->formats().size(), source.formats().size());

    QMimeData textOnly;
    textOnly.setText("abc");
    const auto text = decodeClipboard(encodeClipboard(textOnly));
    ASSERT_TRUE(text);
    EXPECT_FALSE(text->hasImage());
    EXPECT_EQ(text->text(), "abc");
}

TEST(ClipboardPayload, RefusesCutOrForeignBytes) {
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::green);
    QMimeData source;
    source.setImageData(picture);
    const QByteArray bytes = encodeClipboard(source);
    for (const qsizetype size : {qsizetype(0), qsizetype(10), bytes.size() / 2, bytes.size() - 1})
        EXPECT_FALSE(decodeClipboard(bytes.left(size))) << size;
    EXPECT_FALSE(decodeClipboard(bytes + "x"));
    EXPECT_FALSE(decodeClipboard(QByteArray(200, '\xff')));
}
