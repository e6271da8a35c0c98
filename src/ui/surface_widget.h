#pragma once

#include "ui/image_surface.h"

#include <QTimer>
#include <QWidget>

// A window area that shows an ImageSurface. The program draws on surface() at any
// time; the widget repaints from the retained image on every expose. After a size
// change the image is resized (and cleared) and resized() tells the owner to lay
// out and repaint its picture.
class SurfaceWidget : public QWidget {
    Q_OBJECT

public:
    explicit SurfaceWidget(QWidget* parent = nullptr);

    // The picture's background and text colours are the window's own (the palette's
    // Window and WindowText), now and whenever the desktop changes its palette, for
    // example to a dark theme; a change clears the picture and announces resized().
    void useWindowColours();

    ImageSurface& surface() { return surface_; }
    const ImageSurface& surface() const { return surface_; }

signals:
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyWindowColours();

    ImageSurface surface_;
    QTimer refresh_;
    bool windowColours_ = false;
};
