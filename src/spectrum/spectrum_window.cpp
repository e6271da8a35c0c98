#include "spectrum/spectrum_window.h"

#include "spectrum/spectrum_context.h"
#include "ui/surface_widget.h"
#include "ui/window_surfaces.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

SpectrumWindow::SpectrumWindow(SpectrumContext& suite, WindowSurfaces& surfaces, Hooks hooks, QWidget* parent)
    : QWidget(parent), suite_(suite), surfaces_(surfaces), hooks_(std::move(hooks)),
      picture_(new SurfaceWidget(this)) {
    setWindowTitle(QStringLiteral("Spectrum Analyzer"));
    setMinimumSize(320, 240);
    setFocusPolicy(Qt::StrongFocus);
    // A click on the picture gives the window the keyboard; the picture ignores
    // keys, so they reach this window's handler.
    picture_->setFocusPolicy(Qt::ClickFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture_);
    // Outside the plot the window shows the desktop's window colour, on which the
    // scale labels and the key legend are read: in "Label Color" (black by
    // default), or in the desktop's text colour where that would not stand out (a
    // dark theme). The plot itself is filled with "Background Color".
    picture_->useWindowColours();
    surfaces_.spectrum = &picture_->surface();
    connect(picture_, &SurfaceWidget::resized, this, &SpectrumWindow::Form_Resize);

    // Load.
    if (hooks_.resetTestData)
        hooks_.resetTestData();
}

SpectrumWindow::~SpectrumWindow() {
    if (surfaces_.spectrum == &picture_->surface())
        surfaces_.spectrum = nullptr;
}

void SpectrumWindow::Form_Activate() {
    suite_.spectrumDisplay.PaintSpectrumWindow(true);
}

void SpectrumWindow::Form_Resize() {
    suite_.spectrumDisplay.LayoutSpectrumLegend();
    suite_.spectrumDisplay.ComputeCellGeometry();
    suite_.spectrumDisplay.PaintSpectrumWindow(true);
}

int SpectrumWindow::virtualKeyCode(int qtKey) {
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F7)
        return SpectrumMarkers::F1 + (qtKey - Qt::Key_F1);
    if (qtKey == Qt::Key_Left)
        return SpectrumMarkers::Left;
    if (qtKey == Qt::Key_Right)
        return SpectrumMarkers::Right;
    return 0;
}

void SpectrumWindow::keyPressEvent(QKeyEvent* event) {
    const int code = virtualKeyCode(event->key());
    if (code == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    suite_.spectrumMarkers.KeyDown(code);
    event->accept();
}

void SpectrumWindow::closeEvent(QCloseEvent* event) {
    if (closed_) { // a second close of a window already on its way out
        event->accept();
        return;
    }
    closed_ = true;
    // A running sweep sees the flag at its next check and ends.
    suite_.flags.SpectrumStopped = true;
    surfaces_.spectrum = nullptr;
    if (hooks_.userClosed)
        hooks_.userClosed();
    event->accept();
    if (!suite_.flags.ApplicationClosing && hooks_.tileChildWindows)
        hooks_.tileChildWindows();
}
