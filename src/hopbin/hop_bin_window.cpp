#include "hopbin/hop_bin_window.h"

#include "hopbin/hop_bin_context.h"
#include "ui/surface_widget.h"
#include "ui/window_surfaces.h"

#include <QCloseEvent>
#include <QVBoxLayout>

HopBinWindow::HopBinWindow(HopBinContext& suite, WindowSurfaces& surfaces, Hooks hooks, QWidget* parent)
    : QWidget(parent), suite_(suite), surfaces_(surfaces), hooks_(std::move(hooks)),
      picture_(new SurfaceWidget(this)) {
    setWindowTitle(QStringLiteral("Hop Bin Analyzer"));
    setMinimumSize(320, 240);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture_);
    // Outside the chart the window shows the desktop's window colour, on which the
    // labels are read: in "Label Color" (black by default), or in the desktop's
    // text colour where that would not stand out (a dark theme). The chart itself
    // is filled with "Background Color".
    picture_->useWindowColours();
    surfaces_.hopBin = &picture_->surface();
    connect(picture_, &SurfaceWidget::resized, this, &HopBinWindow::Form_Resize);

    timer1_.setInterval(100);
    connect(&timer1_, &QTimer::timeout, this, &HopBinWindow::Timer1_Timer);

    // Load.
    if (hooks_.resetTestData)
        hooks_.resetTestData();
}

HopBinWindow::~HopBinWindow() {
    if (surfaces_.hopBin == &picture_->surface())
        surfaces_.hopBin = nullptr;
}

void HopBinWindow::Form_Activate() {
    timer1_.start();
    if (suite_.settings.MeterTest == 0)
        suite_.hopBinDisplay.PaintHopBinDisplay(false);
}

void HopBinWindow::Form_Resize() {
    suite_.hopBinDisplay.LayoutHopBinWindow();
    suite_.hopBinDisplay.PaintHopBinDisplay(true);
}

void HopBinWindow::Timer1_Timer() {
    const LinkStatusDisplay& status = suite_.linkStatus;
    if (status.LinkStatus != status.PreviousLinkStatus)
        suite_.hopBinDisplay.PaintHopBinDisplay(false);
}

void HopBinWindow::closeEvent(QCloseEvent* event) {
    if (closed_) { // a second close of a window already on its way out
        event->accept();
        return;
    }
    closed_ = true;
    // A running acquisition sees the flag at its next check and ends; nothing is
    // drawn on this window any more.
    suite_.flags.HopBinStopped = true;
    timer1_.stop();
    surfaces_.hopBin = nullptr;
    if (hooks_.userClosed)
        hooks_.userClosed();
    event->accept();
    if (!suite_.flags.ApplicationClosing && hooks_.tileChildWindows)
        hooks_.tileChildWindows();
}
