#include "ui/image_surface.h"

#include "core/number_text.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kMetresPerInch = 0.0254;

int dotsPerMeter(double dpi) {
    return static_cast<int>(std::lround(dpi / kMetresPerInch));
}

// Every coordinate lands on a whole pixel, so that a figure drawn again in the
// background colour covers exactly the pixels it covered before.
int pixel(double value) {
    return static_cast<int>(roundHalfEven(value));
}

} // namespace

ImageSurface::ImageSurface(double dpi) : dpi_(dpi > 0 ? dpi : 96.0) {
    metrics_ = QImage(1, 1, QImage::Format_RGB32);
    applyDpi();
    setFont(QStringLiteral("MS Sans Serif"), 8.25, false);
}

void ImageSurface::applyDpi() {
    const int dpm = dotsPerMeter(dpi_);
    for (QImage* image : {&image_, &metrics_}) {
        if (image->isNull())
            continue;
        image->setDotsPerMeterX(dpm);
        image->setDotsPerMeterY(dpm);
    }
}

ImageSurface::~ImageSurface() {
    endPainting();
}

const QImage& ImageSurface::image() const {
    endPainting();
    return image_;
}

void ImageSurface::resizePixels(int width, int height) {
    endPainting();
    if (width <= 0 || height <= 0)
        image_ = QImage();
    else
        image_ = QImage(width, height, QImage::Format_RGB32);
    applyDpi();
    clear();
}

void ImageSurface::setDpi(double dpi) {
    endPainting();
    if (dpi > 0 && dpi != dpi_) {
        dpi_ = dpi;
        applyDpi();
    }
}

double ImageSurface::toPixels(double twips) const {
    return twips * dpi_ / kTwipsPerInch;
}

double ImageSurface::toTwips(double pixels) const {
    return pixels * kTwipsPerInch / dpi_;
}

double ImageSurface::scaleWidth() const {
    return toTwips(image_.width());
}

double ImageSurface::scaleHeight() const {
    return toTwips(image_.height());
}

Colour ImageSurface::fromQColor(const QColor& colour) {
    return static_cast<Colour>(colour.red()) | (static_cast<Colour>(colour.green()) << 8) |
           (static_cast<Colour>(colour.blue()) << 16);
}

QColor ImageSurface::toQColor(Colour colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

QString ImageSurface::platformFontFamily(const QString& name) {
    static const QStringList windowsSans = {QStringLiteral("MS Sans Serif"),
                                            QStringLiteral("Microsoft Sans Serif"),
                                            QStringLiteral("Tahoma"), QStringLiteral("Arial")};
    if (!windowsSans.contains(name, Qt::CaseInsensitive))
        return name;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const QString family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        if (!family.isEmpty())
            return family;
    }
    return QStringLiteral("Sans Serif");
}

void ImageSurface::changed() {
    if (onChanged)
        onChanged();
}

void ImageSurface::clear() {
    if (image_.isNull())
        return;
    endPainting();
    image_.fill(toQColor(back_));
    changed();
}

// One painter stays open on the image while drawing goes on: opening one for each
// of the hundreds of calls of a full repaint would cost more than the drawing.
// It is closed before anyone reads the image or the image changes size.
QPainter& ImageSurface::activePainter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->setRenderHint(QPainter::Antialiasing, false);
        painter_->setRenderHint(QPainter::TextAntialiasing, false);
    }
    return *painter_;
}

void ImageSurface::endPainting() const {
    painter_.reset();
}

QPen ImageSurface::pen(Colour colour) const {
    QPen pen(toQColor(colour));
    pen.setWidth(lineWidth_);
    pen.setCapStyle(lineWidth_ > 1 ? Qt::RoundCap : Qt::SquareCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void ImageSurface::drawLine(double x1, double y1, double x2, double y2, Colour colour) {
    if (image_.isNull())
        return;
    QPainter& painter = activePainter();
    painter.setPen(pen(colour));
    const QPoint from(pixel(toPixels(x1)), pixel(toPixels(y1)));
    const QPoint to(pixel(toPixels(x2)), pixel(toPixels(y2)));
    if (from == to)
        painter.drawPoint(from);
    else
        painter.drawLine(from, to);
    changed();
}

void ImageSurface::fillRect(double x1, double y1, double x2, double y2, Colour colour) {
    if (image_.isNull())
        return;
    // Both corners are inside the filled area.
    const QRect rect(QPoint(pixel(toPixels(std::min(x1, x2))), pixel(toPixels(std::min(y1, y2)))),
                     QPoint(pixel(toPixels(std::max(x1, x2))), pixel(toPixels(std::max(y1, y2)))));
    QPainter& painter = activePainter();
    painter.fillRect(rect, toQColor(colour));
    changed();
}

void ImageSurface::drawCircle(double cx, double cy, double radius, Colour colour) {
    if (image_.isNull())
        return;
    QPainter& painter = activePainter();
    painter.setPen(pen(colour));
    if (fillStyle_ == FillStyle::Solid)
        painter.setBrush(toQColor(fillColour_));
    else
        painter.setBrush(Qt::NoBrush);
    const int r = pixel(toPixels(radius));
    painter.drawEllipse(QPoint(pixel(toPixels(cx)), pixel(toPixels(cy))), r, r);
    changed();
}

void ImageSurface::drawArc(double cx, double cy, double radius, Colour colour, double startAngle,
                           double endAngle) {
    if (image_.isNull())
        return;
    // Qt measures angles in sixteenths of a degree, counter-clockwise as seen on the
    // screen (it accounts for y growing downwards itself). An end angle below the
    // start goes on counter-clockwise through 0.
    double span = endAngle - startAngle;
    if (span < 0)
        span += 2 * std::numbers::pi;
    constexpr double sixteenthsPerRadian = 180.0 * 16.0 / std::numbers::pi;
    const int start = pixel(startAngle * sixteenthsPerRadian);
    const int spanSixteenths = pixel(span * sixteenthsPerRadian);
    const int r = pixel(toPixels(radius));
    const QRect box(pixel(toPixels(cx)) - r, pixel(toPixels(cy)) - r, 2 * r, 2 * r);
    QPainter& painter = activePainter();
    painter.setPen(pen(colour));
    painter.drawArc(box, start, spanSixteenths);
    changed();
}

void ImageSurface::setFont(const QString& name, double points, bool underline) {
    QFont font(platformFontFamily(name));
    if (font.family() != name)
        font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points > 0 ? points : 8.25);
    font.setUnderline(underline);
    font.setBold(false);
    font.setItalic(false);
    // Glyphs in one solid colour: printing a text again in the background colour
    // removes all of it.
    font.setStyleStrategy(QFont::NoAntialias);
    font_ = font;
}

double ImageSurface::textWidth(const QString& text) const {
    return toTwips(QFontMetricsF(font_, &metrics_).horizontalAdvance(text));
}

double ImageSurface::textHeight(const QString&) const {
    return toTwips(QFontMetricsF(font_, &metrics_).height());
}

void ImageSurface::printText(double x, double y, const QString& text, Colour colour) {
    if (image_.isNull() || text.isEmpty())
        return;
    QPainter& painter = activePainter();
    painter.setFont(font_);
    painter.setPen(toQColor(colour));
    const int ascent = QFontMetrics(font_, &image_).ascent();
    painter.drawText(QPoint(pixel(toPixels(x)), pixel(toPixels(y)) + ascent), text);
    changed();
}
