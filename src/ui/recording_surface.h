#pragma once

#include "ui/surface.h"

#include <QString>
#include <vector>

// A surface that draws nothing and remembers every drawing call, so that tests can
// check what was drawn, where and in which colour. Text metrics are a fixed,
// font-independent rule (half the point size per character, 1.2 x the point size
// per line, in twips x 20) so that layouts computed from them are reproducible.
class RecordingSurface : public Surface {
public:
    struct Op {
        enum class Kind { Clear, Line, FillRect, Circle, Arc, Text };
        Kind kind;
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // line/rect corners; circle centre in x1, y1
        double radius = 0, startAngle = 0, endAngle = 0;
        Colour colour = 0;
        QString text;
        int lineWidth = 1;
        Colour fillColour = 0;
        FillStyle fillStyle = FillStyle::Solid;
        QString fontName;
        double fontPoints = 0;
        bool underline = false;
    };

    RecordingSurface(double widthTwips = 9000, double heightTwips = 6000)
        : width_(widthTwips), height_(heightTwips) {}

    void resize(double widthTwips, double heightTwips) {
        width_ = widthTwips;
        height_ = heightTwips;
    }

    const std::vector<Op>& ops() const { return ops_; }
    void reset() { ops_.clear(); }
    // The texts printed, in order.
    std::vector<QString> texts() const;
    // The calls of one kind, in order.
    std::vector<Op> opsOf(Op::Kind kind) const;
    // The lines drawn in one colour, in order.
    std::vector<Op> linesIn(Colour colour) const;
    // The first print of exactly this text, or nullptr.
    const Op* findText(const QString& text) const;

    double scaleWidth() const override { return width_; }
    double scaleHeight() const override { return height_; }
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

private:
    Op op(Op::Kind kind, Colour colour) const;

    double width_, height_;
    Colour back_ = 0, fore_ = 0;
    Colour fillColour_ = 0;
    FillStyle fillStyle_ = FillStyle::Solid;
    int lineWidth_ = 1;
    QString fontName_ = QStringLiteral("MS Sans Serif");
    double fontPoints_ = 8.25;
    bool underline_ = false;
    std::vector<Op> ops_;
};
