#include "app/main_window.h"

#include "app/report_commands.h"
#include "core/settings_store.h"
#include "app/startup.h"
#include "app/statistics_export.h"
#include "app/suite.h"
#include "app/window_placement.h"
#include "dialogs/about_box.h"
#include "dialogs/colour_dialog.h"
#include "dialogs/connection_dialog.h"
#include "dialogs/ping_test_window.h"
#include "hopbin/hop_bin_window.h"
#include "hopbin/window_layout.h"
#include "network/network_window.h"
#include "spectrum/spectrum_window.h"
#include "ui/message_boxes.h"
#include "ui/suite_icon.h"
#include "ui/transport_icons.h"
#include "ui/window_surfaces.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <limits>

MainWindow::MainWindow(Suite& suite, SettingsStore& store, WindowSurfaces& surfaces,
                       StatusBarText& statusText, QWidget* parent)
    : QMainWindow(parent), suite_(suite), store_(store), surfaces_(surfaces),
      statusText_(statusText), acquisition_(suite, *this), qtDialogs_(this),
      recording_(suite, *this, acquisition_, qtDialogs_) {
    setWindowTitle(QStringLiteral("Veltrane Diagnostics Suite"));
    setWindowIcon(suiteIcon());
    mdi_ = new QMdiArea(this);
    mdi_->setBackground(palette().dark());
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        if (!sub)
            return;
        if (sub == hopBinSub_) {
            if (auto* window = hopBinWindow())
                window->Form_Activate();
        } else if (sub == spectrumSub_) {
            if (auto* window = spectrumWindow())
                window->Form_Activate();
        } else if (sub == pingSub_) {
            if (auto* window = pingTestWindow())
                window->Form_Activate();
        }
    });

    buildMenus();
    buildToolBars();

    statusPanel1_ = new QLabel(this);
    statusPanel1_->setMinimumWidth(280);
    statusBar()->addWidget(statusPanel1_);
    statusText_.show = [this](const QString& text) { statusPanel1_->setText(text); };
    statusPanel1_->setText(statusText_.text());

    connect(qApp, &QGuiApplication::focusWindowChanged, this,
            [this](QWindow* window) { previousFocusWindow_ = window; });
    previousFocusWindow_ = QGuiApplication::focusWindow();

    openDocument = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    positionTimer_.setSingleShot(true);
    positionTimer_.setInterval(40);
    connect(&positionTimer_, &QTimer::timeout, this, &MainWindow::refreshPosition);
    placeOnScreen();
}

void MainWindow::placeOnScreen() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    if (const auto place = ReadWindowPlace(store_)) {
        if (const auto fitted = FitStoredGeometry(place->geometry, areas)) {
            setGeometry(*fitted);
            if (place->maximized)
                setWindowState(windowState() | Qt::WindowMaximized);
            return;
        }
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    setGeometry(DefaultGeometry(primary ? primary->availableGeometry() : QRect(0, 0, 1280, 800),
                                QMargins()));
}

void MainWindow::keepOnScreen() {
    // The frame that the window manager adds is known only once the window shows.
    const QScreen* shownOn = screen();
    if (!shownOn || isMaximized() || isFullScreen())
        return;
    const QRect inner = geometry();
    const QRect outer = frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    const QRect fitted = FitInto(inner, frame, shownOn->availableGeometry());
    if (fitted != inner)
        setGeometry(fitted);
}

bool MainWindow::Form_Load(const std::function<void(Settings&)>& adjust) {
    LoadStartUpSettings(suite_, store_, suite_.messages());
    if (adjust)
        adjust(suite_.settings);
    const Settings& settings = suite_.settings;
    toggles_[0]->setChecked(settings.RealTimeCheck == 1);
    toggles_[1]->setChecked(settings.PeakCheck == 1);
    toggles_[2]->setChecked(settings.AverageCheck == 1);
    networkDiagnostics_->setChecked(settings.NetworkQuery);
    suite_.hopBins.RetriesInBox = settings.Retries;
    linkFailedAtStart_ = !OpenStartUpLink(suite_);
    return !linkFailedAtStart_;
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Without a window manager (or before it activates us) the activation event
    // may never come: run the activation sequence once after the first show.
    if (!MainWindowActivated)
        QTimer::singleShot(0, this, [this] {
            keepOnScreen();
            if (!MainWindowActivated)
                Form_Activate();
            // The stored port did not open: the user chooses another one.
            if (linkFailedAtStart_) {
                linkFailedAtStart_ = false;
                openConnectionDialog();
            }
        });
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Activation within the suite (a dialog of ours closed) runs the activation
    // sequence; coming back from another program changes nothing.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !closing_ &&
        previousFocusWindow_)
        Form_Activate();
}

void MainWindow::Form_Activate() {
    if (activating_ || closing_)
        return;
    activating_ = true;
    suite_.link.RaiseRts();
    // Statistics are never reset under a running test.
    if (!acquisition_.runActive() && !suite_.flags.radioInUse())
        acquisition_.ResetTestData();
    if (suite_.settings.MeterTest == 1) {
        openSpectrumWindow();
        suite_.wait.yieldOnce();
    }
    if (networkDiagnostics_->isChecked()) {
        openNetworkWindow();
        suite_.wait.yieldOnce();
    }
    if (suite_.settings.MeterTest == 0) {
        openHopBinWindow();
        suite_.wait.yieldOnce();
        suite_.hopBinDisplay.LayoutHopBinWindow();
    }
    MainWindowActivated = true;
    TileChildWindows();
    activating_ = false;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    arrangeToolBars();
    TileChildWindows();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    if (!suite_.pending.radioFree()) {
        // Something below this close still uses the radio or waits: it is told to
        // end, nothing retries any more, and the close goes on once it has.
        StopFlags& flags = suite_.flags;
        flags.CloseRequested = true;
        flags.stopAllTools();
        suite_.pending.runWhenRadioFree(PendingCommands::CloseProgram, [this] {
            // The stop was the close's own: the closing attempts below still go out.
            suite_.flags.StopRequested = false;
            close();
        });
        event->ignore();
        return;
    }
    closing_ = true;
    acquisition_.CloseFirstStage();
    acquisition_.CloseSecondStageFlags();
    suite_.recorder.closeFile();
    closeSpectrumWindow();
    closeHopBinWindow();
    closeNetworkWindow();
    if (pingSub_ && pingSub_->isVisible())
        pingSub_->close();
    SaveSettings(suite_.settings, store_);
    WriteWindowPlace(store_, {isMaximized() ? normalGeometry() : geometry(), isMaximized()});
    suite_.link.CloseAtShutdown();
    event->accept();
}

// ---------------------------------------------------------------------------
// Dialogs and help
