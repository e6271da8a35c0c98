#include "ui/image_surface.h"

#include <QRect>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>

namespace {

constexpr Colour kBlack = 0x000000;
constexpr Colour kRed = 0x0000FF; // 0x00BBGGRR
constexpr Colour kBlue = 0xFF0000;
constexpr Colour kWhite = 0xFFFFFF;

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

// A black picture of the given size in pixels.
std::unique_ptr<ImageSurface> makeSurface(int width, int height, double dpi = 96.0) {
    auto surface = std::make_unique<ImageSurface>(dpi);
    surface->setBackColor(kBlack);
    surface->resizePixels(width, height);
    return surface;
}

} // namespace

TEST(ImageSurfaceScale, TwipsMapToPixelsAtTheScreenResolution) {
    auto surfaceOwner = makeSurface(200, 100);
    ImageSurface& surface = *surfaceOwner;
    EXPECT_DOUBLE_EQ(surface.scaleWidth(), 3000.0); // 15 twips a pixel at 96 dpi
    EXPECT_DOUBLE_EQ(surface.scaleHeight(), 1500.0);

    // One inch from the left is pixel 96; both corners of a filled rectangle are in.
    surface.fillRect(1440, 150, 1590, 300, kRed);
    EXPECT_EQ(paintedArea(surface.image(), kBlack), QRect(QPoint(96, 10), QPoint(106, 20)));
    EXPECT_EQ(surface.image().pixelColor(100, 15), QColor(255, 0, 0)); // red in the low byte

    auto largeOwner = makeSurface(240, 120, 120.0);
    ImageSurface& large = *largeOwner;
    EXPECT_DOUBLE_EQ(large.scaleWidth(), 2880.0); // 12 twips a pixel at 120 dpi
    large.drawLine(0, 720, 1440, 720, kWhite);
    EXPECT_EQ(paintedArea(large.image(), kBlack), QRect(QPoint(0, 60), QPoint(120, 60)));
}

TEST(ImageSurfaceScale, ResizingClearsToTheBackgroundColour) {
    auto surfaceOwner = makeSurface(50, 40);
    ImageSurface& surface = *surfaceOwner;
    surface.fillRect(0, 0, 300, 300, kRed);
    surface.setBackColor(kBlue);
    surface.resizePixels(60, 30);
    EXPECT_EQ(surface.image().size(), QSize(60, 30));
    EXPECT_TRUE(paintedArea(surface.image(), kBlue).isNull());

    surface.resizePixels(0, 0); // a collapsed window: nothing to draw on, no failure
    EXPECT_DOUBLE_EQ(surface.scaleWidth(), 0.0);
    surface.drawLine(0, 0, 100, 100, kRed);
    surface.printText(0, 0, QStringLiteral("x"), kRed);
    EXPECT_GT(surface.textWidth(QStringLiteral("x")), 0.0);
}

TEST(ImageSurfaceErase, RedrawingInTheBackgroundColourLeavesNoTrace) {
    auto surfaceOwner = makeSurface(300, 200);
    ImageSurface& surface = *surfaceOwner;
    surface.setFillStyle(Surface::FillStyle::Solid);
    const QImage cleared = surface.image();

    auto drawAll = [&](Colour text, Colour line, Colour arc, Colour fill, Colour outline) {
        surface.setFont(QStringLiteral("MS Sans Serif"), 8.25, false);
        surface.printText(150, 150, QStringLiteral("Bin#: 49  Status: Normal"), text);
        surface.setFont(QStringLiteral("Arial"), 9, true);
        surface.printText(307.5, 700, QStringLiteral("Percentage Good"), text);
        surface.setLineWidth(1);
        surface.drawLine(100, 1300, 2900, 1700, line);
        surface.setLineWidth(5);
        surface.drawLine(2200, 2800, 3900, 1000, line);
        surface.setLineWidth(2);
        surface.drawArc(2250, 1500, 800, arc, 2 * 3.14159 / 3, 3.14159);
        surface.setLineWidth(1);
        surface.setFillColor(fill);
        surface.drawCircle(3500, 2200, 400, outline);
    };
    drawAll(kWhite, kRed, 0x00FFFF, kBlue, kWhite);
    ASSERT_NE(surface.image(), cleared);
    drawAll(kBlack, kBlack, kBlack, kBlack, kBlack);
    EXPECT_EQ(surface.image(), cleared);
}

TEST(ImageSurfaceText, MetricsArePositiveAndGrowWithTheSize) {
    auto surfaceOwner = makeSurface(400, 100);
    ImageSurface& surface = *surfaceOwner;
    const QString text = QStringLiteral("RSSI at Remote:");
    surface.setFont(QStringLiteral("MS Sans Serif"), 8, false);
    const double width8 = surface.textWidth(text);
    const double height8 = surface.textHeight(text);
    EXPECT_GT(width8, 0.0);
    EXPECT_GT(height8, 0.0);
    EXPECT_GT(surface.textWidth(text + text), width8);
    // An empty text still has the height of a line.
    EXPECT_DOUBLE_EQ(surface.textHeight(QString()), height8);

    surface.setFont(QStringLiteral("MS Sans Serif"), 16, false);
    EXPECT_NEAR(surface.textWidth(text) / width8, 2.0, 0.25);
    EXPECT_NEAR(surface.textHeight(text) / height8, 2.0, 0.25);

    // Twice the resolution: the same size in twips.
    auto sharpOwner = makeSurface(800, 200, 192.0);
    ImageSurface& sharp = *sharpOwner;
    sharp.setFont(QStringLiteral("MS Sans Serif"), 8, false);
    EXPECT_NEAR(sharp.textHeight(text) / height8, 1.0, 0.15);
}

TEST(ImageSurfaceText, PrintsOnlyTheGlyphsBelowAndRightOfThePosition) {
    auto surfaceOwner = makeSurface(400, 100);
    ImageSurface& surface = *surfaceOwner;
    surface.fillRect(0, 0, 6000, 1500, kBlue);
    surface.setFont(QStringLiteral("MS Sans Serif"), 8, false);
    const QString text = QStringLiteral("Marginal - ");
    surface.printText(300, 450, text, kWhite);

    const QImage& image = surface.image();
    const QRect box = paintedArea(image, kBlue);
    ASSERT_FALSE(box.isNull());
    EXPECT_GE(box.left(), 20);
    EXPECT_GE(box.top(), 30);
    EXPECT_LE(box.right(), 20 + std::lround(surface.textWidth(text) / 15) + 1);
    EXPECT_LE(box.bottom(), 30 + std::lround(surface.textHeight(text) / 15));
    // Transparent background: every pixel is either a glyph or the blue underneath.
    const QRgb blue = ImageSurface::toQColor(kBlue).rgb();
    const QRgb white = ImageSurface::toQColor(kWhite).rgb();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_TRUE(image.pixel(x, y) == blue || image.pixel(x, y) == white) << x << "," << y;
}

TEST(ImageSurfaceText, WindowsFontNamesUseTheDesktopSansSerif) {
    const QString sans = ImageSurface::platformFontFamily(QStringLiteral("MS Sans Serif"));
    EXPECT_FALSE(sans.isEmpty());
    EXPECT_NE(sans, QStringLiteral("MS Sans Serif"));
    for (const char* name : {"Microsoft Sans Serif", "Tahoma", "Arial"})
        EXPECT_EQ(ImageSurface::platformFontFamily(QString::fromLatin1(name)), sans) << name;
    EXPECT_EQ(ImageSurface::platformFontFamily(QStringLiteral("DejaVu Serif")),
              QStringLiteral("DejaVu Serif"));
}

TEST(ImageSurfaceShapes, ArcsRunCounterClockwiseFromTheRight) {
    // Centre at pixel (100, 100), radius 60 px.
    auto arcArea = [](double start, double end) {
        auto surfaceOwner = makeSurface(200, 200);
        ImageSurface& surface = *surfaceOwner;
        surface.drawArc(1500, 1500, 900, kWhite, start, end);
        return paintedArea(surface.image(), kBlack);
    };
    constexpr double pi = 3.14159;

    const QRect right = arcArea(0, pi / 3); // right and above the centre
    EXPECT_GE(right.left(), 125);
    EXPECT_GE(right.right(), 159);
    EXPECT_LE(right.bottom(), 100);
    EXPECT_LE(right.top(), 50);

    const QRect left = arcArea(2 * pi / 3, pi); // left and above
    EXPECT_LE(left.left(), 41);
    EXPECT_LE(left.right(), 75);
    EXPECT_LE(left.bottom(), 100);

    const QRect across = arcArea(-pi / 4, pi / 4); // through 0: the right side only
    EXPECT_GE(across.left(), 140);
    EXPECT_LT(across.top(), 100);
    EXPECT_GT(across.bottom(), 100);

    const QRect lower = arcArea(pi, 2 * pi); // the lower half
    EXPECT_GE(lower.top(), 100);
    EXPECT_GE(lower.bottom(), 159);
}

TEST(ImageSurfaceShapes, CirclesUseTheFillColourAndStyle) {
    auto surfaceOwner = makeSurface(200, 200);
    ImageSurface& surface = *surfaceOwner;
    surface.setFillColor(kBlue);
    surface.setFillStyle(Surface::FillStyle::Solid);
    surface.drawCircle(1500, 1500, 600, kWhite); // centre pixel (100, 100), radius 40
    EXPECT_EQ(surface.image().pixelColor(100, 100), QColor(0, 0, 255));
    EXPECT_EQ(surface.image().pixelColor(140, 100), QColor(255, 255, 255));
    EXPECT_EQ(paintedArea(surface.image(), kBlack), QRect(QPoint(60, 60), QPoint(140, 140)));

    surface.clear();
    surface.setFillStyle(Surface::FillStyle::Transparent);
    surface.drawCircle(1500, 1500, 600, kWhite);
    EXPECT_EQ(surface.image().pixelColor(100, 100), QColor(0, 0, 0));
    EXPECT_EQ(surface.image().pixelColor(60, 100), QColor(255, 255, 255));
}

TEST(ImageSurfaceShapes, LineWidthIsInPixels) {
    auto surfaceOwner = makeSurface(100, 100);
    ImageSurface& surface = *surfaceOwner;
    surface.setLineWidth(1);
    surface.drawLine(150, 750, 1350, 750, kWhite);
    EXPECT_EQ(paintedArea(surface.image(), kBlack).height(), 1);
    surface.clear();
    surface.setLineWidth(5);
    surface.drawLine(150, 750, 1350, 750, kWhite);
    EXPECT_EQ(paintedArea(surface.image(), kBlack).height(), 5);
}
