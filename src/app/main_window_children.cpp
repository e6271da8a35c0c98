// The main window's child windows and dialogs: opening, closing (hidden, destroyed
// when no wait runs), activation and tiling.

#include "app/main_window.h"

#include "app/report_commands.h"
#include "app/startup.h"
#include "app/statistics_export.h"
#include "app/suite.h"
#include "app/window_placement.h"
#include "core/settings_store.h"
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

namespace {

// Twips of the main window's drawing area as pixels of this screen.
QRect toPixels(const QRectF& twips, double dpiX, double dpiY) {
    const auto px = [](double t, double dpi) { return static_cast<int>(t * dpi / 1440.0 + 0.5); };
    return QRect(px(twips.x(), dpiX), px(twips.y(), dpiY), px(twips.width(), dpiX),
                 px(twips.height(), dpiY));
}

} // namespace

template <class Hooks> Hooks MainWindow::analyzerHooks() {
    Hooks hooks;
    hooks.resetTestData = [this] { acquisition_.ResetTestData(); };
    hooks.tileChildWindows = [this] { tileLater(); };
    hooks.userClosed = [this] { analyzerWindowClosedByUser(); };
    return hooks;
}

NetworkWindow* MainWindow::networkWindow() const {
    return qobject_cast<NetworkWindow*>(shownChild(networkSub_));
}

SpectrumWindow* MainWindow::spectrumWindow() const {
    return qobject_cast<SpectrumWindow*>(shownChild(spectrumSub_));
}

void MainWindow::openSpectrumWindow() {
    if (spectrumWindow())
        return;
    auto* window = new SpectrumWindow(suite_, surfaces_, analyzerHooks<SpectrumWindow::Hooks>());
    spectrumSub_ = addChild(window);
    spectrumSub_->show();
    window->setFocus();
}

void MainWindow::closeSpectrumWindow() {
    if (shownChild(spectrumSub_)) // closed ones wait for their deletion
        closeByProgram(spectrumSub_);
}

HopBinWindow* MainWindow::hopBinWindow() const {
    return qobject_cast<HopBinWindow*>(shownChild(hopBinSub_));
}

void MainWindow::openHopBinWindow() {
    if (hopBinWindow())
        return;
    auto* window = new HopBinWindow(suite_, surfaces_, analyzerHooks<HopBinWindow::Hooks>());
    hopBinSub_ = addChild(window);
    hopBinSub_->show();
}

void MainWindow::closeHopBinWindow() {
    if (shownChild(hopBinSub_)) // closed ones wait for their deletion
        closeByProgram(hopBinSub_);
}

void MainWindow::openNetworkWindow() {
    if (networkWindow())
        return;
    NetworkWindow::Hooks hooks;
    hooks.openHopBinWindow = [this] { openHopBinWindow(); };
    hooks.closeHopBinWindow = [this] { closeHopBinWindow(); };
    hooks.openSpectrumWindow = [this] { openSpectrumWindow(); };
    hooks.closeSpectrumWindow = [this] { closeSpectrumWindow(); };
    hooks.keepOnlyLiveSource = [this] { keepOnlyLiveSource(); };
    hooks.tileChildWindows = [this] { TileChildWindows(); };
    hooks.resetTestData = [this] { acquisition_.ResetTestData(); };
    hooks.repaintSpectrumWindow = [this] { suite_.spectrumDisplay.PaintSpectrumWindow(true); };
    hooks.readDescription = [this](const QString& address) {
        return ReadDescription(store_, address);
    };
    hooks.writeDescription = [this](const QString& address, const QString& text) {
        WriteDescription(store_, address, text);
    };
    hooks.fileDialogs = [this] { return fileDialogs_; };
    auto* window = new NetworkWindow(suite_, surfaces_, hooks);
    networkSub_ = addChild(window);
    networkSub_->show();
}

void MainWindow::closeNetworkWindow() {
    if (shownChild(networkSub_)) // closed ones wait for their deletion
        closeByProgram(networkSub_);
}

QWidget* MainWindow::shownChild(const QMdiSubWindow* sub) {
    return sub && sub->isVisible() ? sub->widget() : nullptr;
}

QMdiSubWindow* MainWindow::addChild(QWidget* window) {
    QMdiSubWindow* sub = mdi_->addSubWindow(window);
    watchForClose(sub);
    return sub;
}

void MainWindow::watchForClose(QWidget* window) {
    // (A sub-window of the MDI area deletes itself on close unless told not to.)
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->installEventFilter(this);
}

void MainWindow::closeByProgram(QWidget* window) {
    const bool before = closingByProgram_;
    closingByProgram_ = true;
    window->close();
    closingByProgram_ = before;
}

void MainWindow::analyzerWindowClosedByUser() {
    // The user closed the analyzer under a run: the run ends as with Stop (a
    // window closed by the program, for another test, lets the run go on).
    if (closingByProgram_ || closing_)
        return;
    if (acquisition_.runActive() || suite_.recorder.TransportMode != Recorder::Idle)
        acquisition_.Stop();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // A closed window or dialog is hidden; it is destroyed once nothing below the
    // current event (a wait for the radio in one of its handlers) can still use it.
    if (event->type() == QEvent::Close)
        QTimer::singleShot(0, this, &MainWindow::destroyClosedWindows);
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::destroyClosedWindows() {
    if (suite_.wait.depth() > 0 || suite_.flags.radioInUse()) {
        QTimer::singleShot(kDestroyRetryMs, this, &MainWindow::destroyClosedWindows);
        return;
    }
    QList<QWidget*> closed;
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (sub->isHidden())
            closed << sub;
    for (QDialog* dialog : findChildren<QDialog*>(QString(), Qt::FindDirectChildrenOnly))
        if (dialog->isHidden() &&
            (qobject_cast<ConnectionDialog*>(dialog) || qobject_cast<ColourDialog*>(dialog)))
            closed << dialog;
    qDeleteAll(closed);
}

void MainWindow::keepOnlyLiveSource() {
    combo1_->setCurrentIndex(0);
    while (combo1_->count() > 1)
        combo1_->removeItem(1);
    Recorder& recorder = suite_.recorder;
    while (recorder.SourceFiles.size() > 1)
        recorder.SourceFiles.removeLast();
}

void MainWindow::onSourceChanged(int index) {
    // The entry shows a recording's name; its tool tip, also on the closed selector,
    // says where the file is.
    const QString path = combo1_->itemData(index, Qt::ToolTipRole).toString();
    combo1_->setToolTip(path.isEmpty() ? QString::fromLatin1(kSourceToolTip) : path);
    suite_.recorder.SelectedSource = index;
    // A new source stops what runs. The stop may wait for the radio: it runs from
    // the event loop, not inside the selector's own signal.
    if (suite_.recorder.TransportMode != Recorder::Idle)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (suite_.recorder.TransportMode != Recorder::Idle)
                    acquisition_.Stop();
            },
            Qt::QueuedConnection);
}

void MainWindow::onDisplayToggle(int button, bool pressed) {
    Settings& settings = suite_.settings;
    const std::int32_t state = pressed ? 1 : 0;
    if (button == 0) {
        settings.RealTimeCheck = state;
    } else if (button == 1) {
        // A released peak or average trace disappears at once; the real-time trace
        // simply is not drawn by the next sweep.
        if (!pressed && spectrumWindow())
            suite_.spectrumDisplay.EraseTrace(SpectrumDisplay::Trace::Peak);
        settings.PeakCheck = state;
    } else {
        if (!pressed && spectrumWindow())
            suite_.spectrumDisplay.EraseTrace(SpectrumDisplay::Trace::Average);
        settings.AverageCheck = state;
    }
}

void MainWindow::MDI_Tools_NetworkDiagnostics_Click() {
    // The action has already flipped its check mark.
    if (!networkDiagnostics_->isChecked()) {
        closeNetworkWindow();
    } else {
        openNetworkWindow();
        if (suite_.settings.MeterTest == 0)
            openHopBinWindow();
    }
    TileChildWindows();
}

void MainWindow::tileLater() {
    QTimer::singleShot(0, this, &MainWindow::TileChildWindows);
}

void MainWindow::TileChildWindows() {
    if (isMinimized() || !MainWindowActivated || closing_)
        return;
    NetworkWindow* network = networkWindow();
    if (!network)
        return;
    const QSize client = mdi_->viewport()->size();
    const double dpiX = logicalDpiX(), dpiY = logicalDpiY();
    TilingInput input;
    input.clientWidth = client.width() * 1440.0 / dpiX;
    input.clientHeight = client.height() * 1440.0 / dpiY;
    input.networkWindowShown = networkDiagnostics_->isChecked();
    input.binAnalyzerSelected = network->selectedTest() == 0;
    input.spectrumSelected = network->selectedTest() == 1;
    const ChildPlacement placement = ::TileChildWindows(input);

    // A window whose controls need more room than its share (a small screen, large
    // fonts) keeps that room but stays within the visible area: the network window
    // moves left, and the analyzer gives way to it.
    const QRect visible(QPoint(0, 0), client);
    networkSub_->showNormal();
    // (The sub-window's own least size leaves out part of its contents'.)
    const QWidget* contents = networkSub_->widget();
    networkSub_->setMinimumSize(networkSub_->size() - contents->size() +
                                contents->minimumSizeHint());
    QRect networkPlace = toPixels(placement.network, dpiX, dpiY);
    networkPlace.setSize(networkPlace.size().expandedTo(networkSub_->minimumSize()));
    networkSub_->setGeometry(FitInto(networkPlace, QMargins(), visible));
    QRect analyzer = placement.analyzer ? toPixels(*placement.analyzer, dpiX, dpiY) : QRect();
    if (analyzer.right() >= networkSub_->x())
        analyzer.setRight(networkSub_->x() - 1);
    if (placement.analyzer && input.spectrumSelected && spectrumWindow()) {
        spectrumSub_->showNormal();
        spectrumSub_->setGeometry(analyzer);
    }
    if (placement.analyzer && input.binAnalyzerSelected && hopBinWindow()) {
        hopBinSub_->showNormal();
        hopBinSub_->setGeometry(analyzer);
    }
}

ConnectionDialog* MainWindow::openConnectionDialog() {
    if (connectionDialog_ && connectionDialog_->isHidden())
        connectionDialog_ = nullptr; // closed: a fresh one shows the settings as they are now
    if (!connectionDialog_) {
        connectionDialog_ = new ConnectionDialog(suite_, store_, this);
        watchForClose(connectionDialog_);
    }
    connectionDialog_->show();
    connectionDialog_->raise();
    connectionDialog_->activateWindow();
    return connectionDialog_;
}

ColourDialog* MainWindow::openColourDialog() {
    if (colourDialog_ && colourDialog_->isHidden())
        colourDialog_ = nullptr;
    if (!colourDialog_) {
        ColourDialog::Hooks hooks;
        hooks.repaintSpectrumWindow = [this] {
            if (spectrumWindow())
                suite_.spectrumDisplay.PaintSpectrumWindow(true);
        };
        colourDialog_ = new ColourDialog(suite_, store_, hooks, this);
        watchForClose(colourDialog_);
    }
    colourDialog_->show();
    colourDialog_->raise();
    return colourDialog_;
}

QString MainWindow::userGuidePath() {
    const QString installed = QCoreApplication::applicationDirPath() +
                              QStringLiteral("/../share/doc/veltrane-diagnostics/user-guide.html");
    if (QFileInfo::exists(installed))
        return QFileInfo(installed).canonicalFilePath();
    const QString source = QStringLiteral(VELTRANE_SOURCE_DIR "/docs/user-guide.html");
    return QFileInfo::exists(source) ? source : QString();
}

void MainWindow::showUserGuide() {
    const QString path = userGuidePath();
    if (path.isEmpty() || !openDocument || !openDocument(path))
        suite_.messages().showMessage(
            QStringLiteral("The user guide could not be opened. It is installed with the program "
                           "as share/doc/veltrane-diagnostics/user-guide.html."));
}

PingTestWindow* MainWindow::pingTestWindow() const {
    return qobject_cast<PingTestWindow*>(shownChild(pingSub_));
}

PingTestWindow* MainWindow::openPingTestWindow() {
    if (PingTestWindow* open = pingTestWindow()) {
        mdi_->setActiveSubWindow(pingSub_);
        return open;
    }
    PingTestWindow::Hooks hooks;
    hooks.tileChildWindows = [this] { tileLater(); };
    auto* window = new PingTestWindow(suite_, store_, hooks);
    pingSub_ = addChild(window);
    pingSub_->resize(760, 420);
    pingSub_->show();
    mdi_->setActiveSubWindow(pingSub_);
    return window;
}

AboutBox* MainWindow::openAboutBox() {
    // One box: closing it only hides it, and the next Help > About shows it again.
    if (!aboutBox_)
        aboutBox_ = new AboutBox(this);
    aboutBox_->show();
    aboutBox_->raise();
    aboutBox_->activateWindow();
    return aboutBox_;
}
