#pragma once

#include "core/settings.h"

#include <QString>

// A drawing surface in twips (1/1440 inch), origin at the top left, y downwards.
// Everything is drawn immediately and nothing is retained as an object: a figure
// is removed by drawing it again in the background colour. The window
// implementation paints a retained image without antialiasing so that such an
// erase leaves no trace; the recording implementation lets tests check what was
// drawn, where and in which colour.
class Surface {
public:
    enum class FillStyle { Solid, Transparent };

    virtual ~Surface() = default;

    // Inner drawing area in twips.
    virtual double scaleWidth() const = 0;
    virtual double scaleHeight() const = 0;

    virtual Colour backColor() const = 0;
    virtual void setBackColor(Colour colour) = 0;
    // Outline colour of circles drawn without an explicit colour.
    virtual Colour foreColor() const = 0;
    virtual void setForeColor(Colour colour) = 0;

    // Fills the whole surface with the background colour.
    virtual void clear() = 0;

    virtual void setFillColor(Colour colour) = 0;
    virtual void setFillStyle(FillStyle style) = 0;
    // Line width in pixels (at least 1).
    virtual void setLineWidth(int pixels) = 0;

    virtual void drawLine(double x1, double y1, double x2, double y2, Colour colour) = 0;
    // A rectangle filled with one colour, corners included.
    virtual void fillRect(double x1, double y1, double x2, double y2, Colour colour) = 0;
    // A full circle outlined in `colour`, its inside filled with the fill colour
    // unless the fill style is transparent.
    virtual void drawCircle(double cx, double cy, double radius, Colour colour) = 0;
    // A circular arc; angles in radians, counter-clockwise from the positive x axis.
    virtual void drawArc(double cx, double cy, double radius, Colour colour, double startAngle,
                         double endAngle) = 0;

    // Font by name ("MS Sans Serif" and "Arial" map to the desktop's sans-serif
    // font), size in points.
    virtual void setFont(const QString& name, double points, bool underline) = 0;
    virtual double textWidth(const QString& text) const = 0;
    virtual double textHeight(const QString& text) const = 0;
    // Prints text with its top-left corner at (x, y); only the glyphs are drawn.
    virtual void printText(double x, double y, const QString& text, Colour colour) = 0;
};

// Gives the painters the surfaces of the analyzer windows; nullptr while a window
// is not open.
class AnalyzerSurfaces {
public:
    virtual ~AnalyzerSurfaces() = default;
    virtual Surface* hopBinSurface() = 0;
    virtual Surface* spectrumSurface() = 0;
    // The link quality meter picture of the Network Query window.
    virtual Surface* meterSurface() = 0;
};
