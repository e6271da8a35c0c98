#pragma once

#include "ui/surface.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <functional>
#include <memory>

class QPainter;

// The window implementation of a drawing surface: a retained image at the screen's
// resolution, drawn without antialiasing so that redrawing a figure in the
// background colour removes every pixel of it. The window paints this image on
// every expose.
class ImageSurface : public Surface {
public:
    // `dpi`: logical dots per inch of the screen the window is on (1440 twips = dpi px).
    explicit ImageSurface(double dpi = 96.0);

    // A new size in pixels: the picture is cleared to the background colour (the
    // owner repaints it after a resize).
    void resizePixels(int width, int height);
    void setDpi(double dpi);
    ~ImageSurface() override;
    // The picture as drawn so far.
    const QImage& image() const;
    double dpi() const { return dpi_; }

    // Called after every change of the picture (the window schedules a repaint).
    std::function<void()> onChanged;

    // "MS Sans Serif", "Arial" and other Windows names map to the desktop's
    // sans-serif family.
    static QString platformFontFamily(const QString& name);

    double scaleWidth() const override;
    double scaleHeight() const override;
    Colour backColor() const override { return back_; }
    void setBackColor(Colour colour) override { back_ = colour; }
    Colour foreColor() const override { return fore_; }
    void setForeColor(Colour colour) override { fore_ = colour; }
    void clear() override;
    void setFillColor(Colour colour) override { fillColour_ = colour; }
    void setFillStyle(FillStyle style) override { fillStyle_ = style; }
    void setLineWidth(int pixels) override { lineWidth_ = pixels < 1 ? 1 : pixels; }
    void drawLine(double x1, double y1, double x2, double y2, Colour colour) override;
    void fillRect(double x1, double y1, double x2, double y2, Colour colour) override;
    void drawCircle(double cx, double cy, double radius, Colour colour) override;
    void drawArc(double cx, double cy, double radius, Colour colour, double startAngle,
                 double endAngle) override;
    void setFont(const QString& name, double points, bool underline) override;
    double textWidth(const QString& text) const override;
    double textHeight(const QString& text) const override;
    void printText(double x, double y, const QString& text, Colour colour) override;

    // 0x00BBGGRR as a QColor.
    static QColor toQColor(Colour colour);
    static Colour fromQColor(const QColor& colour);

private:
    mutable std::unique_ptr<QPainter> painter_;
    double toPixels(double twips) const;
    double toTwips(double pixels) const;
    void applyDpi();
    QPainter& activePainter();
    void endPainting() const;
    QPen pen(Colour colour) const;
    void changed();

    double dpi_;
    QImage image_;
    QImage metrics_; // measures texts at the surface's resolution, whatever its size
    QFont font_;
    Colour back_ = 0, fore_ = 0, fillColour_ = 0;
    FillStyle fillStyle_ = FillStyle::Solid;
    int lineWidth_ = 1;
};
