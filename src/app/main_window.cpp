#include "app/main_window.h"

#include "app/report_commands.h"
#include "app/settings_store.h"
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

namespace {

const QString kSourceToolTip = QStringLiteral("Source: live from the radio, or a recording");

// Twips of the main window's drawing area as pixels of this screen.
QRect toPixels(const QRectF& twips, double dpiX, double dpiY) {
    const auto px = [](double t, double dpi) { return static_cast<int>(t * dpi / 1440.0 + 0.5); };
    return QRect(px(twips.x(), dpiX), px(twips.y(), dpiY), px(twips.width(), dpiX),
                 px(twips.height(), dpiY));
}

} // namespace

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

void MainWindow::arrangeToolBars() {
    // The three tool bars share one row while they fit; in a narrow window the
    // position bar moves to a row of its own rather than hiding controls.
    const int wanted = toolbar1_->sizeHint().width() + toolbar2_->sizeHint().width() +
                       toolbar3_->sizeHint().width();
    const bool ownRow = wanted > width();
    if (ownRow == (toolBarBreak(toolbar3_)))
        return;
    if (ownRow)
        insertToolBarBreak(toolbar3_);
    else
        removeToolBarBreak(toolbar3_);
}

MainWindow::~MainWindow() {
    statusText_.show = nullptr;
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    auto* reports = new ReportCommands(suite_, acquisition_, surfaces_, *this,
                                       [this]() -> FileDialogs& { return *fileDialogs_; });
    reports->addFileEntries(file);
    file->addAction(QStringLiteral("Export Statistics..."), this,
                    [this] { ExportStatistics(suite_, *fileDialogs_, suite_.messages()); });
    file->addSeparator();
    file->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    reports->addEditEntries(menuBar()->addMenu(QStringLiteral("&Edit")));

    // The Tools menu is switched off: its entries are reached through the Network
    // Query window instead. It is shown greyed.
    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    networkDiagnostics_ = tools->addAction(QStringLiteral("Network Diagnostics"));
    networkDiagnostics_->setCheckable(true);
    connect(networkDiagnostics_, &QAction::triggered, this,
            [this] { MDI_Tools_NetworkDiagnostics_Click(); });
    tools->addSeparator();
    for (const char* entry : {"Hop Bin Analyzer", "Hop Bin Analyzer Summary", "Spectrum Analyzer"})
        tools->addAction(QString::fromLatin1(entry))->setEnabled(false);
    tools->setEnabled(false);

    QMenu* settings = menuBar()->addMenu(QStringLiteral("&Settings"));
    settings->addAction(QStringLiteral("Settings"), this, [this] { openConnectionDialog(); });
    settings->addAction(QStringLiteral("Colors"), this, [this] { openColourDialog(); });

    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    window->addAction(QStringLiteral("Repaint All"), this, &MainWindow::TileChildWindows);
    window->addAction(QStringLiteral("Ping Test"), this, [this] { openPingTestWindow(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("Help"), this, &MainWindow::showUserGuide);
    help->addAction(QStringLiteral("About"), this, &MainWindow::openAboutBox);
}

void MainWindow::buildToolBars() {
    toolbar1_ = addToolBar(QStringLiteral("Transport"));
    toolbar1_->setObjectName(QStringLiteral("Toolbar1"));
    toolbar1_->setMovable(false);
    play_ = toolbar1_->addAction(transport_icons::image(PlayNormal), QStringLiteral("Play"));
    stop_ = toolbar1_->addAction(transport_icons::stop(), QStringLiteral("Stop"));
    record_ = toolbar1_->addAction(transport_icons::image(RecordNormal), QStringLiteral("Record"));
    pause_ = toolbar1_->addAction(transport_icons::image(PauseNormal), QStringLiteral("Pause"));
    toolbar1_->addSeparator();
    loadFile_ = toolbar1_->addAction(transport_icons::loadFile(), QStringLiteral("Load File"));
    play_->setToolTip(
        QStringLiteral("Play: run the selected test live, or play the selected recording"));
    stop_->setToolTip(QStringLiteral("Stop: end the run and return the radio to normal mode"));
    record_->setToolTip(QStringLiteral("Record: write what the analyzer measures to a file"));
    pause_->setToolTip(QStringLiteral("Pause: hold the display or the recording; press again to "
                                      "resume"));
    loadFile_->setToolTip(QStringLiteral("Load File: add a recording to the source list"));
    connect(play_, &QAction::triggered, this, [this] { acquisition_.Play(); });
    connect(stop_, &QAction::triggered, this, [this] { acquisition_.Stop(); });
    connect(record_, &QAction::triggered, this, [this] { recording_.Record(); });
    connect(pause_, &QAction::triggered, this, [this] { acquisition_.Pause(); });
    connect(loadFile_, &QAction::triggered, this, [this] { recording_.LoadFile(); });

    combo1_ = new QComboBox(this);
    combo1_->addItem(QStringLiteral("Real-Time"));
    combo1_->setMinimumContentsLength(18);
    combo1_->setToolTip(kSourceToolTip);
    toolbar1_->addWidget(combo1_);
    connect(combo1_, &QComboBox::currentIndexChanged, this, &MainWindow::onSourceChanged);

    toolbar2_ = addToolBar(QStringLiteral("Display"));
    toolbar2_->setObjectName(QStringLiteral("Toolbar2"));
    toolbar2_->setMovable(false);
    toolbar2_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const char* const names[] = {"Display Real-Time", "Display Peak", "Display Average"};
    const char* const tips[] = {"Show the real-time readings", "Show the peak hold",
                                "Show the trailing average"};
    for (int i = 0; i < 3; ++i) {
        toggles_[i] = toolbar2_->addAction(QString::fromLatin1(names[i]));
        toggles_[i]->setCheckable(true);
        toggles_[i]->setToolTip(QString::fromLatin1(tips[i]));
        connect(toggles_[i], &QAction::toggled, this,
                [this, i](bool pressed) { onDisplayToggle(i, pressed); });
    }

    toolbar3_ = addToolBar(QStringLiteral("Position"));
    auto* position = toolbar3_;
    position->setMovable(false);
    slider1_ = new QSlider(Qt::Horizontal, this);
    slider1_->setMinimumWidth(160);
    slider1_->setToolTip(QStringLiteral("Position in the recording"));
    text1_ = new QLabel(this);
    text1_->setMinimumWidth(90);
    text1_->setToolTip(QStringLiteral("Record number / records in the file"));
    position->addWidget(slider1_);
    position->addWidget(text1_);
    connectSlider();
}

void MainWindow::connectSlider() {
    slider1_->setRange(0, 0);
    connect(slider1_, &QSlider::sliderPressed, this, [this] { recording_.sliderPressed(); });
    connect(slider1_, &QSlider::sliderReleased, this,
            [this] { recording_.sliderReleased(slider1_->value()); });
    // Keys, the wheel and clicks beside the handle move the position at once.
    connect(slider1_, &QSlider::valueChanged, this, [this](int value) {
        if (!settingSlider_ && !slider1_->isSliderDown())
            recording_.sliderReleased(value);
    });
}

void MainWindow::refreshPosition() {
    settingSlider_ = true;
    if (!pendingText_.isNull())
        text1_->setText(pendingText_);
    if (pendingMaximum_)
        slider1_->setMaximum(*pendingMaximum_);
    // A value set while the user holds the handle would pull it from under the mouse.
    if (pendingValue_ && !slider1_->isSliderDown())
        slider1_->setValue(*pendingValue_);
    settingSlider_ = false;
    pendingText_ = QString();
    pendingMaximum_.reset();
    pendingValue_.reset();
}

namespace {
int sliderRange(qint64 value) {
    return static_cast<int>(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}
} // namespace

void MainWindow::setPositionText(const QString& text) {
    pendingText_ = text;
    // Records may come faster than the timer's interval: restarting it on each one
    // would hold the counter still for as long as they flow.
    if (!positionTimer_.isActive())
        positionTimer_.start();
}

QString MainWindow::positionText() const {
    return pendingText_.isNull() ? text1_->text() : pendingText_;
}

void MainWindow::setSliderMaximum(qint64 maximum) {
    pendingMaximum_ = sliderRange(maximum);
    if (pendingValue_ && *pendingValue_ > *pendingMaximum_)
        pendingValue_ = *pendingMaximum_;
    if (!positionTimer_.isActive())
        positionTimer_.start();
}

void MainWindow::setSliderValue(qint64 value) {
    const int maximum = pendingMaximum_ ? *pendingMaximum_ : slider1_->maximum();
    pendingValue_ = std::min(sliderRange(value), maximum);
    if (!positionTimer_.isActive())
        positionTimer_.start();
}

qint64 MainWindow::sliderValue() const {
    return pendingValue_ ? *pendingValue_ : slider1_->value();
}

void MainWindow::insertSource(int index, const QString& text, const QString& path) {
    const QSignalBlocker quiet(combo1_); // inserting is not choosing
    combo1_->insertItem(index, text);
    combo1_->setItemData(index, path, Qt::ToolTipRole);
}

void MainWindow::selectSource(int index) {
    combo1_->setCurrentIndex(index); // choosing the entry already chosen changes nothing
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

NetworkWindow* MainWindow::networkWindow() const {
    return networkSub_ && networkSub_->isVisible()
               ? qobject_cast<NetworkWindow*>(networkSub_->widget())
               : nullptr;
}

SpectrumWindow* MainWindow::spectrumWindow() const {
    return spectrumSub_ && spectrumSub_->isVisible()
               ? qobject_cast<SpectrumWindow*>(spectrumSub_->widget())
               : nullptr;
}

void MainWindow::openSpectrumWindow() {
    if (spectrumWindow())
        return;
    SpectrumWindow::Hooks hooks;
    hooks.resetTestData = [this] { acquisition_.ResetTestData(); };
    hooks.tileChildWindows = [this] { tileLater(); };
    hooks.userClosed = [this] { analyzerWindowClosedByUser(); };
    auto* window = new SpectrumWindow(suite_, surfaces_, hooks);
    spectrumSub_ = mdi_->addSubWindow(window);
    watchForClose(spectrumSub_);
    spectrumSub_->show();
    window->setFocus();
}

void MainWindow::closeSpectrumWindow() {
    if (spectrumSub_ && spectrumSub_->isVisible()) // closed ones wait for their deletion
        closeByProgram(spectrumSub_);
}

HopBinWindow* MainWindow::hopBinWindow() const {
    return hopBinSub_ && hopBinSub_->isVisible() ? qobject_cast<HopBinWindow*>(hopBinSub_->widget())
                                                 : nullptr;
}

void MainWindow::openHopBinWindow() {
    if (hopBinWindow())
        return;
    HopBinWindow::Hooks hooks;
    hooks.resetTestData = [this] { acquisition_.ResetTestData(); };
    hooks.tileChildWindows = [this] { tileLater(); };
    hooks.userClosed = [this] { analyzerWindowClosedByUser(); };
    auto* window = new HopBinWindow(suite_, surfaces_, hooks);
    hopBinSub_ = mdi_->addSubWindow(window);
    watchForClose(hopBinSub_);
    hopBinSub_->show();
}

void MainWindow::closeHopBinWindow() {
    if (hopBinSub_ && hopBinSub_->isVisible()) // closed ones wait for their deletion
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
    networkSub_ = mdi_->addSubWindow(window);
    watchForClose(networkSub_);
    networkSub_->show();
}

void MainWindow::closeNetworkWindow() {
    if (networkSub_ && networkSub_->isVisible()) // closed ones wait for their deletion
        closeByProgram(networkSub_);
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
    combo1_->setToolTip(path.isEmpty() ? kSourceToolTip : path);
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

void MainWindow::setTransportImages(int record, int play, int pause) {
    images_ = {record, play, pause};
    record_->setIcon(transport_icons::image(record));
    play_->setIcon(transport_icons::image(play));
    pause_->setIcon(transport_icons::image(pause));
}

void MainWindow::setSliderEnabled(bool enabled) {
    slider1_->setEnabled(enabled);
}

QString MainWindow::sourceText() const {
    return combo1_->currentText();
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
    return pingSub_ && pingSub_->isVisible() ? qobject_cast<PingTestWindow*>(pingSub_->widget())
                                             : nullptr;
}

PingTestWindow* MainWindow::openPingTestWindow() {
    if (PingTestWindow* open = pingTestWindow()) {
        mdi_->setActiveSubWindow(pingSub_);
        return open;
    }
    PingTestWindow::Hooks hooks;
    hooks.tileChildWindows = [this] { tileLater(); };
    auto* window = new PingTestWindow(suite_, store_, hooks);
    pingSub_ = mdi_->addSubWindow(window);
    watchForClose(pingSub_);
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
