// Pictures with a colour profile are painted in the display's colours, while the document
// keeps, edits and saves the file's own numbers and profile.
#include <QImage>

#include "editor/view/display_colour.h"
#include "editor/view/picture_view.h"
#include "editor_fixture.h"
#include "support/adobe_rgb.h"

namespace ximora::editor::testing {
namespace {

using ximora::testing::adobeRgbProfile;
using ximora::testing::adobeToSrgb;
using ximora::testing::kFlatColours;

class ColourDisplayTest : public DocumentTest {
  protected:
    ColourDisplayTest() {
        DisplayColour::instance().setDisplayProfile({});  // an sRGB display
        view_.resize(240, 120);
    }
    ~ColourDisplayTest() override { DisplayColour::instance().setManaged(true); }

    // A flat-coloured photo tagged Adobe RGB, one band of `band` × `band` / 2 pixels per
    // colour (opaque 32-bit pixels when `bits` is 32), saved as PNG (which carries the profile)
    // and opened.
    engine::Image openAdobeBands(int band = 4, int bits = 24) {
        band_ = band;
        engine::Image image;
        EXPECT_TRUE(image.allocate(int(kFlatColours.size()) * band, band / 2, bits));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const auto& c = kFlatColours[size_t(x / band)];
                uint8_t* p = image.row(y) + x * image.bytesPerPixel();
                p[0] = uint8_t(c[0]), p[1] = uint8_t(c[1]), p[2] = uint8_t(c[2]);
                if (bits == 32) p[3] = 255;
            }
        image.metadata.icc = adobeRgbProfile();
        engine::SaveOptions png;
        png.format = engine::kSavePng;
        const QString file = path(QStringLiteral("adobe.png"));
        EXPECT_TRUE(engine::saveImage(QFile::encodeName(file).toStdString(), image, png));
        doc_.pcOpen(0, file);
        EXPECT_TRUE(doc_.hasImage());
        return image;
    }

    // The colour painted at the middle of band `band`.
    QColor shownColour(int band) {
        const QImage shot = view_.viewport()->grab().toImage();
        const QPointF at = view_.toView(QPointF((band + 0.5) * band_, band_ / 4.0));
        return shot.pixelColor(at.toPoint());
    }

    PictureView view_{doc_};
    int band_ = 4;
};

// Zoomed in (the picture's own pixels are converted) and zoomed out (a tile of painted pixels
// is), with and without an alpha channel.
TEST_F(ColourDisplayTest, TaggedPictureIsShownInDisplayColoursAndKeepsItsNumbers) {
    for (auto [band, bits] : {std::pair{4, 24}, {4, 32}, {160, 24}, {160, 32}}) {
        SCOPED_TRACE(std::to_string(band) + " " + std::to_string(bits));
        const engine::Image original = openAdobeBands(band, bits);
        ASSERT_NE(view_.colourTransform(), nullptr);
        for (size_t i = 0; i < kFlatColours.size(); ++i) {
            const auto& c = kFlatColours[i];
            const std::array<int, 3> want = adobeToSrgb(c[0], c[1], c[2]);
            const QColor shown = shownColour(int(i));
            EXPECT_NEAR(shown.red(), want[0], 2) << i;
            EXPECT_NEAR(shown.green(), want[1], 2) << i;
            EXPECT_NEAR(shown.blue(), want[2], 2) << i;
        }
        EXPECT_TRUE(engine::testing::samePixels(doc_.image(), original));
    }

    // The setting off: the numbers as they are.
    DisplayColour::instance().setManaged(false);
    EXPECT_EQ(view_.colourTransform(), nullptr);
    const QColor raw = shownColour(0);
    EXPECT_EQ(raw, QColor(kFlatColours[0][0], kFlatColours[0][1], kFlatColours[0][2]));
}

// On a display with an Adobe RGB profile (as the desktop would publish it), a picture tagged
// Adobe RGB needs no conversion, and an untagged one counts as sRGB: what is shown, read as
// Adobe RGB, gives back the file's sRGB numbers (within three levels: the shown numbers are
// rounded to whole levels, which the way back stretches in dark channels).
TEST_F(ColourDisplayTest, DisplayProfileDecidesWhatIsConverted) {
    DisplayColour::instance().setDisplayProfile(adobeRgbProfile());
    openAdobeBands();
    EXPECT_EQ(view_.colourTransform(), nullptr);
    EXPECT_EQ(shownColour(0), QColor(kFlatColours[0][0], kFlatColours[0][1], kFlatColours[0][2]));

    engine::Image untagged = doc_.image();
    untagged.metadata = {};
    engine::SaveOptions png;
    png.format = engine::kSavePng;
    const QString file = path(QStringLiteral("plain.png"));
    ASSERT_TRUE(engine::saveImage(QFile::encodeName(file).toStdString(), untagged, png));
    doc_.pcOpen(0, file);
    ASSERT_NE(view_.colourTransform(), nullptr);
    for (int band : {0, 1, 3}) {
        const QColor shown = shownColour(band);
        const std::array<int, 3> back = adobeToSrgb(shown.red(), shown.green(), shown.blue());
        const auto& c = kFlatColours[size_t(band)];
        EXPECT_NEAR(back[0], c[0], 3) << band;
        EXPECT_NEAR(back[1], c[1], 3) << band;
        EXPECT_NEAR(back[2], c[2], 3) << band;
    }
}

// Editing works on the file's numbers; undo (from a BMP snapshot) and saving keep the profile.
TEST_F(ColourDisplayTest, EditsUndoAndSavesKeepTheProfile) {
    const engine::Image original = openAdobeBands();
    doc_.pcAct(QStringLiteral("回転"), QStringLiteral("左右反転"));
    doc_.pcAct(QStringLiteral("回転"), QStringLiteral("左右反転"));
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), original));
    doc_.pcAct(QStringLiteral("画像編集"), QStringLiteral("編集を一つ戻す"));
    EXPECT_EQ(doc_.image().metadata.icc, original.metadata.icc);
    EXPECT_NE(view_.colourTransform(), nullptr);

    for (const char* name : {"copy.png", "copy.jpg", "copy.webp"}) {
        QString file = path(QString::fromLatin1(name));
        ASSERT_TRUE(doc_.pcSaveAs(file, false, false)) << name;
        EXPECT_EQ(read(file).metadata.icc, original.metadata.icc) << name;
    }
}

}  // namespace
}  // namespace ximora::editor::testing

namespace ximora::editor::testing {
namespace {

// An animation opens at its first frame and the info line tells how many frames it holds; a
// picture opened after it, or a new one, has no such part.
TEST_F(DocumentTest, InfoLineTellsTheFramesOfAnAnimation) {
    QString info;
    QObject::connect(&doc_, &PictureDocument::eStPcTyp,
                     [&](const QString&, const QString&, const QString& text) { info = text; });
    const QString folder = QStringLiteral(XIMORA_TEST_DATA "/modern-formats/");
    doc_.pcOpen(0, folder + QStringLiteral("anim.webp"));
    ASSERT_TRUE(doc_.hasImage());
    EXPECT_EQ(doc_.image().width(), 32);
    EXPECT_TRUE(info.endsWith(QStringLiteral("  ﾍﾟｰｼﾞ数:3"))) << info.toStdString();
    doc_.pcOpen(0, folder + QStringLiteral("photo-q90.heic"));
    EXPECT_EQ(doc_.image().width(), 96);
    EXPECT_FALSE(info.contains(QStringLiteral("ﾍﾟｰｼﾞ数"))) << info.toStdString();
}

}  // namespace
}  // namespace ximora::editor::testing
