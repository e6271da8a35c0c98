#include "ui/image_surface.h"
#include "ui/square_box.h"
#include "ui/surface_widget.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr Colour kBlack = 0x000000;
constexpr Colour kRed = 0x0000FF; // 0x00BBGGRR
constexpr Colour kBlue = 0xFF0000;
constexpr Colour kWhite = 0xFFFFFF;
constexpr double kPi = 3.14159;

// The bounding box of every pixel that differs from `background`.
QRect paintedArea(const QImage& image, Colour background) {
    const QRgb back = ImageSurface::toQColor(background).rgb();
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != back)
                box |= QRect(x, y, 1, 1);
    return box;
}

std::unique_ptr<ImageSurface> blackSurface(int width, int height, double dpi = 96.0) {
    auto surface = std::make_unique<ImageSurface>(dpi);
    surface->setBackColor(kBlack);
    surface->resizePixels(width, height);
    return surface;
}

TEST(ImageSurface, TwipsMapToPixelsAtTheScreenResolution) {
    auto surface = blackSurface(200, 100);
    EXPECT_DOUBLE_EQ(surface->scaleWidth(), 3000.0); // 15 twips a pixel at 96 dpi
    surface->fillRect(1440, 150, 1590, 300, kRed);   // one inch from the left is pixel 96
    EXPECT_EQ(paintedArea(surface->image(), kBlack), QRect(QPoint(96, 10), QPoint(106, 20)));
    EXPECT_EQ(surface->image().pixelColor(100, 15), QColor(255, 0, 0)); // red in the low byte

    auto large = blackSurface(240, 120, 120.0); // 12 twips a pixel
    large->drawLine(0, 720, 1440, 720, kWhite);
    EXPECT_EQ(paintedArea(large->image(), kBlack), QRect(QPoint(0, 60), QPoint(120, 60)));

    // Resizing clears to the background; a collapsed window draws nothing and fails nowhere.
    surface->setBackColor(kBlue);
    surface->resizePixels(60, 30);
    EXPECT_TRUE(paintedArea(surface->image(), kBlue).isNull());
    surface->resizePixels(0, 0);
    surface->drawLine(0, 0, 100, 100, kRed);
    surface->printText(0, 0, QStringLiteral("x"), kRed);
}

TEST(ImageSurface, RedrawingInTheBackgroundColourLeavesNoTrace) {
    auto surface = blackSurface(300, 200);
    surface->setFillStyle(Surface::FillStyle::Solid);
    const QImage cleared = surface->image();
    auto drawAll = [&](Colour text, Colour line, Colour fill) {
        surface->setFont(QStringLiteral("MS Sans Serif"), 8.25, false);
        surface->printText(150, 150, QStringLiteral("Bin#: 49  Status: Normal"), text);
        surface->setLineWidth(5);
        surface->drawLine(2200, 2800, 3900, 1000, line);
        surface->setLineWidth(2);
        surface->drawArc(2250, 1500, 800, line, 2 * kPi / 3, kPi);
        surface->setFillColor(fill);
        surface->drawCircle(3500, 2200, 400, line);
    };
    drawAll(kWhite, kRed, kBlue);
    ASSERT_NE(surface->image(), cleared);
    drawAll(kBlack, kBlack, kBlack);
    EXPECT_EQ(surface->image(), cleared);
}

TEST(ImageSurface, TextIsPrintedBelowAndRightOfItsPlaceOnATransparentBackground) {
    auto surface = blackSurface(400, 100);
    surface->fillRect(0, 0, 6000, 1500, kBlue);
    surface->setFont(QStringLiteral("MS Sans Serif"), 8, false);
    const QString text = QStringLiteral("Marginal - ");
    surface->printText(300, 450, text, kWhite);
    const QRect allowed(QPoint(20, 30), QPoint(21 + std::lround(surface->textWidth(text) / 15),
                                               30 + std::lround(surface->textHeight(text) / 15)));
    EXPECT_TRUE(allowed.contains(paintedArea(surface->image(), kBlue)));
    EXPECT_EQ(surface->image().pixelColor(5, 5), QColor(0, 0, 255));
}

TEST(ImageSurface, ArcsRunCounterClockwiseFromTheRightAndCirclesTakeTheFill) {
    auto arcArea = [](double start, double end) { // centre pixel (100, 100), radius 60
        auto surface = blackSurface(200, 200);
        surface->drawArc(1500, 1500, 900, kWhite, start, end);
        return paintedArea(surface->image(), kBlack);
    };
    EXPECT_TRUE(QRect(QPoint(125, 0), QPoint(199, 100)).contains(arcArea(0, kPi / 3)));
    EXPECT_TRUE(QRect(QPoint(0, 0), QPoint(75, 100)).contains(arcArea(2 * kPi / 3, kPi)));
    EXPECT_TRUE(QRect(QPoint(0, 100), QPoint(199, 199)).contains(arcArea(kPi, 2 * kPi)));

    auto surface = blackSurface(200, 200);
    surface->setFillColor(kBlue);
    surface->setFillStyle(Surface::FillStyle::Solid);
    surface->drawCircle(1500, 1500, 600, kWhite); // radius 40 px
    EXPECT_EQ(surface->image().pixelColor(100, 100), QColor(0, 0, 255));
    EXPECT_EQ(paintedArea(surface->image(), kBlack), QRect(QPoint(60, 60), QPoint(140, 140)));
    surface->clear();
    surface->setFillStyle(Surface::FillStyle::Transparent);
    surface->drawCircle(1500, 1500, 600, kWhite);
    EXPECT_EQ(surface->image().pixelColor(100, 100), QColor(0, 0, 0));
}

// The round dial's picture is kept the largest centred square of its frame, whichever
// side is longer, and shows the picture at the widget's size.
TEST(SquareBox, KeepsItsSurfaceWidgetTheLargestCentredSquareShowingThePictureAtItsSize) {
    auto* dial = new SurfaceWidget;
    SquareBox box(dial);
    dial->surface().setBackColor(kBlack);
    box.resize(300, 200);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(dial->geometry(), QRect(50, 0, 200, 200));
    const double twips = 1440.0 / dial->logicalDpiX();
    dial->surface().clear();
    dial->surface().fillRect(10 * twips, 10 * twips, 50 * twips, 40 * twips, 0x00FFFF);
    const QImage shown = dial->grab().toImage();
    EXPECT_EQ(shown.pixelColor(30, 20), QColor(255, 255, 0));
    EXPECT_EQ(shown.pixelColor(100, 80), QColor(0, 0, 0));

    box.resize(120, 180);
    QCoreApplication::processEvents();
    EXPECT_EQ(dial->geometry(), QRect(0, 30, 120, 120));
    EXPECT_EQ(dial->surface().image().size(), QSize(120, 120));
}

} // namespace
