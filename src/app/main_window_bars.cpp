// The main window's menus, tool bars, source selector, position slider and counter.

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
    combo1_->setToolTip(QString::fromLatin1(kSourceToolTip));
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
