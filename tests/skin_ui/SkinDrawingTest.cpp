#include "UiTestSupport.h"

#include "skin/QtImageDecoder.h"
#include "skin/QtSkinImage.h"
#include "skin/SkinControls.h"
#include "skin/SkinDrawing.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <vector>

using namespace uitest;

namespace {

QImage OnePixel(QRgb colour)
{
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, colour);
    return image;
}

QRgb Toned(QRgb colour, ImageTone tone, QColor low = QColor(1, 1, 1), QColor high = QColor(0, 0, 0))
{
    return ToneImage(OnePixel(colour), low, high, tone).pixel(0, 0);
}

TEST(SkinDrawing, ColoursBetweenTheKeyBoundsBecomeTransparent)
{
    const QColor low(10, 20, 30);
    const QColor high(40, 50, 60);
    EXPECT_EQ(qAlpha(Toned(qRgb(10, 20, 30), ImageTone::Normal, low, high)), 0);
    EXPECT_EQ(qAlpha(Toned(qRgb(40, 50, 60), ImageTone::Normal, low, high)), 0);
    EXPECT_EQ(qAlpha(Toned(qRgb(25, 35, 45), ImageTone::Bright, low, high)), 0);
    // One channel outside its range keeps the pixel.
    EXPECT_EQ(Toned(qRgb(25, 35, 61), ImageTone::Normal, low, high), qRgb(25, 35, 61));
    EXPECT_EQ(Toned(qRgb(9, 35, 45), ImageTone::Normal, low, high), qRgb(9, 35, 45));
    // An empty range (low above high) keys nothing.
    EXPECT_EQ(Toned(qRgb(25, 35, 45), ImageTone::Normal, high, low), qRgb(25, 35, 45));
}

TEST(SkinDrawing, DisabledPicturesTurnGreyAndHotOnesBrighter)
{
    // 0.299 * 200 + 0.587 * 100 + 0.114 * 50 = 124.2; blue is lifted by 0.05 of full scale.
    EXPECT_EQ(Toned(qRgba(200, 100, 50, 128), ImageTone::Grey), qRgba(124, 124, 137, 128));
    // Times 1.05 plus 0.05 of full scale, clamped.
    EXPECT_EQ(Toned(qRgb(100, 200, 250), ImageTone::Bright), qRgb(118, 223, 255));
    EXPECT_EQ(Toned(qRgb(0, 0, 0), ImageTone::Bright), qRgb(13, 13, 13));
}

TEST(SkinDrawing, GradientsRunInTheSchemesFourDirections)
{
    App();
    const QRectF area(0, 0, 100, 50);
    const auto ends = [&](int mode) {
        const auto* gradient
            = static_cast<const QLinearGradient*>(GradientBrush(area, Qt::black, Qt::white, mode).gradient());
        return std::pair(gradient->start(), gradient->finalStop());
    };
    EXPECT_EQ(ends(GRADMODE_HORIZONTAL), std::pair(QPointF(0, 0), QPointF(100, 0)));
    EXPECT_EQ(ends(GRADMODE_VERTICAL), std::pair(QPointF(0, 0), QPointF(0, 50)));
    EXPECT_EQ(ends(GRADMODE_FORWARD_DIAGONAL), std::pair(QPointF(0, 0), QPointF(100, 50)));
    EXPECT_EQ(ends(GRADMODE_BACKWARD_DIAGONAL), std::pair(QPointF(100, 0), QPointF(0, 50)));
}

TEST(SkinDrawing, SchemeFontsBecomeQtFonts)
{
    App();
    SkinFont font;
    font.face = "DejaVu Sans";
    font.pointSizeTenths = 95;
    font.weight = 700;
    font.underline = true;
    const QFont result = FontFromSkin(font, QFont());
    EXPECT_EQ(result.family(), "DejaVu Sans");
    EXPECT_DOUBLE_EQ(result.pointSizeF(), 9.5);
    EXPECT_TRUE(result.bold());
    EXPECT_TRUE(result.underline());
    EXPECT_FALSE(result.italic());
    EXPECT_EQ(ColourFromArgb(0xFF4538F4), QColor(0x45, 0x38, 0xF4));

    // A face that the platform lacks becomes the fallback's, or the skin's for a font the program
    // names, rather than a stand-in of the platform's choosing.
    SkinFont missing = font;
    missing.face = "No Such Face Anywhere";
    EXPECT_EQ(FontFromSkin(missing, QFont(QStringLiteral("DejaVu Sans Mono"))).family(), "DejaVu Sans Mono");
    const QFont named = NamedFont(DefaultSkin(), QStringLiteral("No Such Face Anywhere"), 10);
    EXPECT_EQ(named.family(), QString::fromStdString(DefaultSkin().GetSkinFont(0, 0).face));
    EXPECT_EQ(named.pointSize(), 10);
    EXPECT_EQ(NamedFont(DefaultSkin(), QStringLiteral("DejaVu Serif"), 10).family(), "DejaVu Serif");
}

TEST(QtImageDecoder, DecodesPngFromMemoryAndGivesNullImagesForAnythingElse)
{
    App();
    QImage source(7, 5, QImage::Format_ARGB32);
    source.fill(qRgba(1, 2, 3, 200));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(source.save(&buffer, "PNG"));
    const std::vector<std::uint8_t> bytes(png.begin(), png.end());

    QtImageDecoder decoder;
    const std::unique_ptr<SkinImage> image = decoder.Decode(bytes);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), 7);
    EXPECT_EQ(image->Height(), 5);
    ASSERT_NE(QtSkinImage::From(image.get()), nullptr);
    EXPECT_EQ(QtSkinImage::From(image.get())->pixel(3, 2), qRgba(1, 2, 3, 200));

    const std::vector<std::uint8_t> garbage(bytes.begin(), bytes.begin() + 20);
    const std::unique_ptr<SkinImage> broken = decoder.Decode(garbage);
    ASSERT_NE(broken, nullptr);
    EXPECT_TRUE(broken->IsNull());
    EXPECT_EQ(QtSkinImage::From(broken.get()), nullptr);
    EXPECT_TRUE(decoder.Decode({})->IsNull());
}

TEST(QtImageDecoder, TheDefaultSkinHasEveryPictureAtItsDrawnSize)
{
    const CKVSkin& skin = DefaultSkin();
    for (int id = skin.FirstImageId(); id != -1; id = skin.NextImageId(id)) {
        const QImage* image = QtSkinImage::From(skin.GetImage(id));
        ASSERT_NE(image, nullptr) << id;
    }
    EXPECT_EQ(QtSkinImage::From(skin.GetImage(skin.CloseImageId()))->size(), QSize(20, 20));
    EXPECT_EQ(QtSkinImage::From(skin.GetImage(skin.CheckBoxImageId(0)))->size(), QSize(16, 16));
}

} // namespace
