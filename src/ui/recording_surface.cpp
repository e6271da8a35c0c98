#include "ui/recording_surface.h"

RecordingSurface::Op RecordingSurface::op(Op::Kind kind, Colour colour) const {
    Op o{};
    o.kind = kind;
    o.colour = colour;
    o.lineWidth = lineWidth_;
    o.fillColour = fillColour_;
    o.fillStyle = fillStyle_;
    o.fontName = fontName_;
    o.fontPoints = fontPoints_;
    o.underline = underline_;
    return o;
}

std::vector<QString> RecordingSurface::texts() const {
    std::vector<QString> out;
    for (const Op& o : ops_)
        if (o.kind == Op::Kind::Text)
            out.push_back(o.text);
    return out;
}

std::vector<RecordingSurface::Op> RecordingSurface::opsOf(Op::Kind kind) const {
    std::vector<Op> out;
    for (const Op& o : ops_)
        if (o.kind == kind)
            out.push_back(o);
    return out;
}

std::vector<RecordingSurface::Op> RecordingSurface::linesIn(Colour colour) const {
    std::vector<Op> out;
    for (const Op& o : ops_)
        if (o.kind == Op::Kind::Line && o.colour == colour)
            out.push_back(o);
    return out;
}

const RecordingSurface::Op* RecordingSurface::findText(const QString& text) const {
    for (const Op& o : ops_)
        if (o.kind == Op::Kind::Text && o.text == text)
            return &o;
    return nullptr;
}

void RecordingSurface::clear() {
    ops_.push_back(op(Op::Kind::Clear, back_));
}

void RecordingSurface::drawLine(double x1, double y1, double x2, double y2, Colour colour) {
    Op o = op(Op::Kind::Line, colour);
    o.x1 = x1, o.y1 = y1, o.x2 = x2, o.y2 = y2;
    ops_.push_back(o);
}

void RecordingSurface::fillRect(double x1, double y1, double x2, double y2, Colour colour) {
    Op o = op(Op::Kind::FillRect, colour);
    o.x1 = x1, o.y1 = y1, o.x2 = x2, o.y2 = y2;
    ops_.push_back(o);
}

void RecordingSurface::drawCircle(double cx, double cy, double radius, Colour colour) {
    Op o = op(Op::Kind::Circle, colour);
    o.x1 = cx, o.y1 = cy, o.radius = radius;
    ops_.push_back(o);
}

void RecordingSurface::drawArc(double cx, double cy, double radius, Colour colour,
                               double startAngle, double endAngle) {
    Op o = op(Op::Kind::Arc, colour);
    o.x1 = cx, o.y1 = cy, o.radius = radius, o.startAngle = startAngle, o.endAngle = endAngle;
    ops_.push_back(o);
}

void RecordingSurface::setFont(const QString& name, double points, bool underline) {
    fontName_ = name;
    fontPoints_ = points;
    underline_ = underline;
}

double RecordingSurface::textWidth(const QString& text) const {
    return static_cast<double>(text.size()) * fontPoints_ * 10.0;
}

double RecordingSurface::textHeight(const QString&) const {
    return fontPoints_ * 24.0;
}

void RecordingSurface::printText(double x, double y, const QString& text, Colour colour) {
    Op o = op(Op::Kind::Text, colour);
    o.x1 = x, o.y1 = y, o.text = text;
    ops_.push_back(o);
}
