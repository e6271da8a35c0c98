#include "ui/surface_widget.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(SurfaceWidget, ResizingResizesThePictureAndTellsTheOwner) {
    SurfaceWidget widget;
    QSignalSpy resized(&widget, &SurfaceWidget::resized);
    widget.surface().setBackColor(0x000000);
    widget.resize(320, 200);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));

    EXPECT_GE(resized.count(), 1);
    EXPECT_EQ(widget.surface().image().size(), QSize(320, 200));
    const double twipsPerPixel = 1440.0 / widget.logicalDpiX();
    EXPECT_DOUBLE_EQ(widget.surface().scaleWidth(), 320 * twipsPerPixel);

    const int before = resized.count();
    widget.resize(400, 250);
    QCoreApplication::processEvents();
    EXPECT_EQ(resized.count(), before + 1);
    EXPECT_EQ(widget.surface().image().size(), QSize(400, 250));
}

TEST(SurfaceWidget, ShowsWhatWasDrawnOnTheSurface) {
    SurfaceWidget widget;
    widget.surface().setBackColor(0x000000);
    widget.resize(200, 100);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));

    ImageSurface& surface = widget.surface();
    surface.clear();
    const double twips = 1440.0 / widget.logicalDpiX();
    surface.fillRect(10 * twips, 10 * twips, 50 * twips, 40 * twips, 0x00FFFF);
    const QImage shown = widget.grab().toImage();
    EXPECT_EQ(shown.pixelColor(30, 20), QColor(255, 255, 0));
    EXPECT_EQ(shown.pixelColor(100, 80), QColor(0, 0, 0));
}
