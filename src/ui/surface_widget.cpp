#include "ui/surface_widget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

SurfaceWidget::SurfaceWidget(QWidget* parent) : QWidget(parent), surface_(logicalDpiX()) {
    // The image covers the whole area: no background fill before each paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The picture may change thousands of times a second while reports stream in;
    // the screen is refreshed from it at most every 15 ms.
    refresh_.setSingleShot(true);
    refresh_.setInterval(15);
    connect(&refresh_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    surface_.onChanged = [this] {
        if (!refresh_.isActive())
            refresh_.start();
    };
    surface_.resizePixels(width(), height());
}

void SurfaceWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QImage& image = surface_.image();
    if (image.isNull()) {
        painter.fillRect(event->rect(), ImageSurface::toQColor(surface_.backColor()));
        return;
    }
    painter.drawImage(event->rect().topLeft(), image, event->rect());
}

void SurfaceWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    surface_.setDpi(logicalDpiX());
    surface_.resizePixels(width(), height());
    emit resized();
}

void SurfaceWidget::useWindowColours() {
    windowColours_ = true;
    applyWindowColours();
}

void SurfaceWidget::applyWindowColours() {
    surface_.setBackColor(ImageSurface::fromQColor(palette().color(QPalette::Window)));
    surface_.setForeColor(ImageSurface::fromQColor(palette().color(QPalette::WindowText)));
}

void SurfaceWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (windowColours_ && event->type() == QEvent::PaletteChange) {
        applyWindowColours();
        surface_.resizePixels(width(), height()); // cleared in the new background
        emit resized();
    }
}
