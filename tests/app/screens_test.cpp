// The suite on small and high-resolution screens: the main window opens within the
// screen's available area, and every window and control in it is whole and on
// the screen. Each screen is its own child process of this test program, since
// the screen and the scale factor are fixed when the application starts.

#include "app/window_placement.h"
#include "ui/image_surface.h"
#include "ui/suite_icon.h"
#include "user_input.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDebug>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

constexpr char kChildVariable[] = "VELTRANE_SCREEN_FIT_CHILD";

QRect globalRect(const QWidget* widget) {
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

// Where `widget` is, what it is and its caption if it has one.
std::string describe(const QWidget* widget) {
    return (QDebug::toString(globalRect(widget)) + u' ' + widget->metaObject()->className() + u' ' +
            widget->property("text").toString())
        .toStdString();
}

// The main window on this screen: inside the available area; every widget shown
// inside it; every widget of a child window inside the visible part of the MDI
// area; every button and label as large as its caption; no tool bar control
// pushed out of sight.
void expectFits(MainWindow& window) {
    const QRect available = window.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(window.frameGeometry())) << describe(&window);
    const auto* mdi = window.findChild<QMdiArea*>();
    ASSERT_TRUE(mdi);
    const QRect visibleArea = globalRect(mdi->viewport());
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->isWindow())
            continue;
        const QRect r = globalRect(widget);
        EXPECT_TRUE(available.contains(r)) << describe(widget);
        EXPECT_TRUE(!mdi->viewport()->isAncestorOf(widget) || visibleArea.contains(r))
            << describe(widget);
        const bool captioned =
            qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLabel*>(widget);
        EXPECT_TRUE(!captioned || widget->size().expandedTo(widget->sizeHint()) == widget->size())
            << describe(widget);
    }
    for (QToolBar* bar : window.findChildren<QToolBar*>())
        for (QAction* action : bar->actions())
            EXPECT_TRUE(action->isSeparator() || bar->widgetForAction(action)->isVisible())
                << action->text().toStdString();
}

class ScreenFitChild : public MainWindowOnEmulator {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty(kChildVariable))
            GTEST_SKIP() << "run by ScreenFit in a process of its own";
    }
};

} // namespace

TEST_F(ScreenFitChild, TheWindowsAndTheirControlsFitWithEitherAnalyzer) {
    startSuite({}, {}, true); // where start-up places it on this screen
    QCoreApplication::processEvents();
    expectFits(*window);
    // The user chooses the spectrum analyzer.
    QTest::mouseClick(window->networkWindow()->testOption(1), Qt::LeftButton);
    ASSERT_TRUE(runEventsUntil([this] { return window->spectrumWindow() != nullptr; }));
    QCoreApplication::processEvents();
    SCOPED_TRACE("spectrum analyzer");
    expectFits(*window);
}

TEST(ScreenFit, TheSuiteFitsSmallAndScaledScreens) {
    const std::tuple<int, int, const char*> screens[] = {
        {1024, 600, "1"}, {1366, 768, "1"}, {1920, 1200, "1"}, {1920, 1200, "2"}};
    QTemporaryDir dir;
    for (const auto& [width, height, scale] : screens) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " at scale " + scale);
        // The offscreen platform's screen, described in its configuration file.
        const QString config = dir.filePath(u"screen-%1.json"_s.arg(width));
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(u"{\"screens\": [{\"name\": \"screen\", \"x\": 0, \"y\": 0, \"width\": %1, "
                   u"\"height\": %2, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}"_s
                       .arg(width)
                       .arg(height)
                       .toUtf8());
        file.close();

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen:configfile="_s + config);
        env.insert(u"QT_SCALE_FACTOR"_s, QLatin1String(scale));
        env.insert(QLatin1String(kChildVariable), u"1"_s);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {u"--gtest_filter=ScreenFitChild.*"_s});
        ASSERT_TRUE(child.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(child.readAll());
        EXPECT_TRUE(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                    output.contains(u"[  PASSED  ] 1 test"_s))
            << output.toStdString();
    }
}

TEST(WindowPlacement, AStoredPlaceOffEveryScreenIsIgnoredAndOneOnAScreenIsFitted) {
    const QList<QRect> screens = {QRect(0, 0, 1024, 576), QRect(1024, 0, 1920, 1170)};
    // Left on a second screen that is gone, or dragged far off.
    EXPECT_FALSE(FitStoredGeometry(QRect(3200, 100, 900, 600), screens));
    EXPECT_FALSE(FitStoredGeometry(QRect(-2000, -1500, 900, 600), screens));
    EXPECT_FALSE(FitStoredGeometry(QRect(990, 560, 900, 600), {screens.front()}));
    EXPECT_FALSE(FitStoredGeometry(QRect(), screens));
    // Larger than the small screen now: shrunk and moved onto it.
    EXPECT_EQ(FitStoredGeometry(QRect(50, 40, 1200, 800), {screens.front()}),
              QRect(0, 0, 1024, 576));
    // Mostly on the second screen: kept there.
    EXPECT_EQ(FitStoredGeometry(QRect(1500, 100, 1000, 700), screens), QRect(1500, 100, 1000, 700));
    EXPECT_EQ(FitStoredGeometry(QRect(2500, 900, 1000, 700), screens), QRect(1944, 470, 1000, 700));

    // The first start: most of the screen, never more than it, frame included.
    EXPECT_EQ(DefaultGeometry(QRect(0, 0, 1920, 1170), QMargins()), QRect(96, 58, 1728, 1053));
    EXPECT_EQ(DefaultGeometry(QRect(0, 0, 1024, 576), QMargins(2, 30, 2, 2)),
              QRect(12, 30, 1000, 544));
}

// The suite's icon on the main window and the windows inside it; with a dark
// desktop palette the charts take the windows' colours, and follow the desktop when
// it turns light again; the next run opens where this one was closed.
TEST_F(MainWindowOnEmulator, ShowsTheSuiteIconAndTheDesktopsColoursAndReopensWhereItWasClosed) {
    const QPalette before = QApplication::palette();
    const auto restore = qScopeGuard([before] { QApplication::setPalette(before); });
    const QPalette dark(QColor(0x35, 0x35, 0x35)); // a dark window with light text
    QApplication::setPalette(dark);
    startSuite();
    EXPECT_FALSE(suiteIcon().pixmap(16).isNull());
    EXPECT_EQ(window->windowIcon().cacheKey(), suiteIcon().cacheKey());
    for (QMdiSubWindow* sub : window->findChild<QMdiArea*>()->subWindowList())
        EXPECT_EQ(sub->windowIcon().cacheKey(), suiteIcon().cacheKey())
            << sub->windowTitle().toStdString();

    // The chart's colours are those of `palette`'s window.
    const auto takes = [](Surface* chart, const QPalette& palette) {
        return chart &&
               chart->backColor() == ImageSurface::fromQColor(palette.color(QPalette::Window)) &&
               chart->foreColor() == ImageSurface::fromQColor(palette.color(QPalette::WindowText));
    };
    EXPECT_TRUE(takes(surfaces.hopBin, dark));
    QTest::mouseClick(window->networkWindow()->testOption(1), Qt::LeftButton);
    ASSERT_TRUE(runEventsUntil([this] { return surfaces.spectrum != nullptr; }));
    EXPECT_TRUE(takes(surfaces.spectrum, dark));
    QApplication::setPalette(before);
    QCoreApplication::processEvents();
    EXPECT_TRUE(takes(surfaces.spectrum, before));

    window->setGeometry(QRect(40, 30, 700, 500));
    QCoreApplication::processEvents();
    window->close();
    EXPECT_TRUE(storedText().contains(u"[Window]"_s));
    window.reset();
    suite = std::make_unique<Suite>(messages, status, surfaces);
    window = std::make_unique<MainWindow>(*suite, *store, surfaces, status);
    EXPECT_EQ(window->geometry(), QRect(40, 30, 700, 500));
}
