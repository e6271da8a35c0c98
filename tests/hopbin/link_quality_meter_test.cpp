#include "hopbin/link_quality_meter.h"

#include "core/settings.h"
#include "hopbin/hop_bin_data.h"
#include "support/fakes.h"
#include "ui/image_surface.h"

#include <QRectF>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>

namespace {

using Op = RecordingSurface::Op;

constexpr Colour kFore = 0x101010;
constexpr std::array<float, 4> kHopBinRssi = {-110, -95, -80, -40};
constexpr std::array<float, 4> kPercent = {0, 70, 85, 100};
constexpr std::array<float, 4> kSpectrumRssi = {-40, -75, -85, -110};

// The meter picture is 3000 x 3000 twips: dial radius 1485, centre (1500, 1500).
constexpr double kRadius = 1485;

class LinkQualityMeterTest : public ::testing::Test {
protected:
    void SetUp() override { surface.setForeColor(kFore); }

    std::vector<Op> opsOf(Op::Kind kind) const { return surface.opsOf(kind); }
    const Op* textOp(const QString& text) const { return surface.findText(text); }
    // The needle: the only line drawn wider than the zones.
    Op needle() const {
        for (const Op& op : opsOf(Op::Kind::Line))
            if (op.lineWidth > 2)
                return op;
        ADD_FAILURE() << "no needle";
        return {};
    }
    // Angle of the needle tip in degrees, measured from the left end of the dial
    // (clockwise on screen) around the dial's own centre (R, R).
    double needleDegreesFromLeft() const {
        const Op n = needle();
        return std::atan2(kRadius - n.y2, kRadius - n.x2) * 180 / std::numbers::pi;
    }
    double drawValue(float value, const std::array<float, 4>& scale) {
        meter.MeterScale = scale;
        surface.reset();
        meter.DrawMeter(0, value, QStringLiteral("Hop Bin Analyzer"), QStringLiteral("one"),
                        QStringLiteral("two"), QStringLiteral("three"));
        return value;
    }

    Settings settings;
    HopBinData data;
    TestSurfaces surfaces;
    RecordingSurface& surface = surfaces.meter;
    LinkQualityMeter meter{settings, data, surfaces};
};

} // namespace

TEST(DialPosition, EachZoneTakesAThirdOfTheDialInEitherDirection) {
    const double third = 100.0 / 3;
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-110, kHopBinRssi), 0);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-95, kHopBinRssi), third);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-80, kHopBinRssi), 2 * third);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-40, kHopBinRssi), 100);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-87.5, kHopBinRssi), 1.5 * third);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-60, kHopBinRssi), 2.5 * third);

    EXPECT_NEAR(LinkQualityMeter::DialPosition(95, kPercent), 88.9, 0.05);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(35, kPercent), 0.5 * third);

    // The spectrum scale runs downwards: strong signals are on the left.
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-40, kSpectrumRssi), 0);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-80, kSpectrumRssi), 1.5 * third);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-110, kSpectrumRssi), 100);
}

TEST(DialPosition, ValuesOffTheScaleStopAtTheNearerEnd) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-120, kHopBinRssi), 0);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-30, kHopBinRssi), 100);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-inf, kHopBinRssi), 0);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(inf, kHopBinRssi), 100);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-20, kSpectrumRssi), 0);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-130, kSpectrumRssi), 100);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(-inf, kSpectrumRssi), 100);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(150, kPercent), 100);
    EXPECT_DOUBLE_EQ(
        LinkQualityMeter::DialPosition(std::numeric_limits<double>::quiet_NaN(), kPercent), 0);
}

TEST(DialPosition, EmptyZonesAreSkippedWithoutDividingByZero) {
    // A bad threshold of 0 empties the red zone: 0 belongs to the yellow one.
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(0, {0, 0, 85, 100}), 100.0 / 3);
    // Both thresholds at 100: the value sits at the right end.
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(100, {0, 100, 100, 100}), 100);
    EXPECT_DOUBLE_EQ(LinkQualityMeter::DialPosition(100, {0, 70, 100, 100}), 100);
    // A scale collapsed to one point.
    const double p = LinkQualityMeter::DialPosition(5, {5, 5, 5, 5});
    EXPECT_DOUBLE_EQ(p, 100);
    EXPECT_TRUE(std::isfinite(LinkQualityMeter::DialPosition(7, {5, 5, 5, 5})));
}

TEST(MeterGeometry, NeedleAndTicksAreMeasuredAroundTheDialRadius) {
    EXPECT_DOUBLE_EQ(meter::dialRadius(3000), 1485);
    EXPECT_DOUBLE_EQ(meter::dialRadius(3001), 1486); // 1485.5 goes to even
    EXPECT_EQ(meter::needleWidth(3000), 5);          // 4.75
    EXPECT_EQ(meter::needleWidth(2000), 4);          // 3.5 to even
    EXPECT_EQ(meter::needleWidth(1200), 2);          // 2.5 to even

    // Position 0 points left, 50 up, 100 right; the needle is half the radius long.
    const meter::Point left = meter::needleTip(1000, 0);
    EXPECT_DOUBLE_EQ(left.x, 500);
    EXPECT_DOUBLE_EQ(left.y, 1000);
    const meter::Point up = meter::needleTip(1000, 50);
    EXPECT_DOUBLE_EQ(up.x, 1000);
    EXPECT_DOUBLE_EQ(up.y, 500);
    EXPECT_DOUBLE_EQ(meter::needleTip(1000, 100).x, 1500);

    // Ticks from the rim inwards by W/16; k = 0 at the left end.
    const meter::Point outer0 = meter::tickOuter(1485, 0);
    const meter::Point inner0 = meter::tickInner(1485, 3000, 0);
    EXPECT_DOUBLE_EQ(outer0.x, 0);
    EXPECT_DOUBLE_EQ(outer0.y, 1485);
    EXPECT_DOUBLE_EQ(inner0.x, 188); // 187.5 to even
    EXPECT_DOUBLE_EQ(meter::tickOuter(1485, 3).x, 2970);
    EXPECT_DOUBLE_EQ(meter::tickOuter(1485, 3).y, 1485);

    // The face lines follow the dial outline and vanish outside it.
    EXPECT_DOUBLE_EQ(meter::faceHalfHeight(1485, 1485), 1485);
    EXPECT_DOUBLE_EQ(meter::faceHalfHeight(1485, 0), 0);
    EXPECT_DOUBLE_EQ(meter::faceHalfHeight(1485, 3500), 0);
}

TEST_F(LinkQualityMeterTest, TheBadThresholdPutsTheNeedleOnTheRedYellowBoundary) {
    const double position = drawValue(-95, kHopBinRssi);
    EXPECT_NEAR(position, 33.3, 0.05);
    EXPECT_NEAR(needleDegreesFromLeft(), 60, 0.2);
    const Op n = needle();
    EXPECT_DOUBLE_EQ(n.x1, 1500);
    EXPECT_DOUBLE_EQ(n.y1, 1500);
    EXPECT_EQ(n.colour, kFore);
    EXPECT_EQ(n.lineWidth, 5);
}

TEST_F(LinkQualityMeterTest, TheDialHasThreeZonesAHubAndARim) {
    drawValue(-70, kHopBinRssi);
    const auto& ops = surface.ops();
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops.front().kind, Op::Kind::Clear);

    const auto circles = opsOf(Op::Kind::Circle);
    ASSERT_EQ(circles.size(), 3u);
    // A white face, a black hub, then the rim drawn without filling.
    EXPECT_DOUBLE_EQ(circles[0].radius, kRadius);
    EXPECT_EQ(circles[0].fillColour, 0xFFFFFFu);
    EXPECT_EQ(circles[0].fillStyle, Surface::FillStyle::Solid);
    EXPECT_DOUBLE_EQ(circles[1].radius, 150); // H / 20
    EXPECT_EQ(circles[1].fillColour, 0x000000u);
    EXPECT_EQ(circles[1].fillStyle, Surface::FillStyle::Solid);
    EXPECT_EQ(circles[1].lineWidth, 1);
    EXPECT_DOUBLE_EQ(circles[2].radius, kRadius);
    EXPECT_EQ(circles[2].fillStyle, Surface::FillStyle::Transparent);
    for (const Op& c : circles) {
        EXPECT_DOUBLE_EQ(c.x1, 1500);
        EXPECT_DOUBLE_EQ(c.y1, 1500);
        EXPECT_EQ(c.colour, kFore);
    }

    // Face lines every 50 twips in the button-face colour, inside the dial.
    int faceLines = 0;
    for (const Op& op : opsOf(Op::Kind::Line)) {
        if (op.colour != meter::buttonFaceColour())
            continue;
        ++faceLines;
        EXPECT_EQ(op.lineWidth, 1);
        EXPECT_DOUBLE_EQ(op.x1, op.x2);
        EXPECT_DOUBLE_EQ(op.y1 + op.y2, 3000); // centred on the dial's height
    }
    EXPECT_EQ(faceLines, 59); // 50 .. 2950

    // Bands of arcs from H/4 to 7H/24, two pixels wide: red left, green right.
    const auto arcs = opsOf(Op::Kind::Arc);
    ASSERT_EQ(arcs.size(), 3u * (875 - 750 + 1));
    EXPECT_DOUBLE_EQ(arcs.front().radius, 750);
    EXPECT_DOUBLE_EQ(arcs.back().radius, 875);
    for (const Op& arc : arcs) {
        EXPECT_EQ(arc.lineWidth, 2);
        if (arc.colour == 0x0000FF) {
            EXPECT_NEAR(arc.startAngle, 2 * std::numbers::pi / 3, 1e-5);
            EXPECT_NEAR(arc.endAngle, std::numbers::pi, 1e-5);
        } else if (arc.colour == 0x00FFFF) {
            EXPECT_NEAR(arc.startAngle, std::numbers::pi / 3, 1e-5);
            EXPECT_NEAR(arc.endAngle, 2 * std::numbers::pi / 3, 1e-5);
        } else {
            EXPECT_EQ(arc.colour, 0x00FF00u);
            EXPECT_DOUBLE_EQ(arc.startAngle, 0);
            EXPECT_NEAR(arc.endAngle, std::numbers::pi / 3, 1e-5);
        }
    }
}

TEST_F(LinkQualityMeterTest, ScalePointsAreLabelledAtTheInnerEndsOfTheirTicks) {
    drawValue(-70, kHopBinRssi);
    std::vector<Op> ticks;
    for (const Op& op : opsOf(Op::Kind::Line))
        if (op.colour == 0x000000)
            ticks.push_back(op);
    ASSERT_EQ(ticks.size(), 4u);
    surface.setFont(QStringLiteral("Arial"), 9, false); // to measure the labels
    const QStringList names = {"-110", "-95", "-80", "-40"};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        const Op* label = textOp(names[k]);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->fontName, QStringLiteral("Arial"));
        EXPECT_DOUBLE_EQ(label->fontPoints, 9);
        const double w = surface.textWidth(label->text);
        const double xi = ticks[static_cast<std::size_t>(k)].x2;
        const double yi = ticks[static_cast<std::size_t>(k)].y2;
        // Tick length W/16 = 187.5 (each end rounded).
        EXPECT_NEAR(std::hypot(ticks[k].x2 - ticks[k].x1, ticks[k].y2 - ticks[k].y1), 187.5, 1);
        const double h = 216; // 9 pt on the recording surface
        switch (k) {
        case 0: // right of the left tick, vertically centred
            EXPECT_DOUBLE_EQ(label->x1, xi);
            EXPECT_DOUBLE_EQ(label->y1, yi - h / 2);
            break;
        case 1:
            EXPECT_DOUBLE_EQ(label->x1, xi);
            EXPECT_DOUBLE_EQ(label->y1, yi);
            break;
        case 2: // centred under the tick
            EXPECT_DOUBLE_EQ(label->x1, xi - w / 2);
            EXPECT_DOUBLE_EQ(label->y1, yi);
            break;
        case 3: // ends at the right tick
            EXPECT_DOUBLE_EQ(label->x1 + w, xi);
            EXPECT_DOUBLE_EQ(label->y1, yi - h / 2);
            break;
        }
    }
}

TEST_F(LinkQualityMeterTest, CaptionsAreCentredAndAnEmptyThirdLineLeavesAGap) {
    meter.MeterTitle = QStringLiteral("Average RSSI (dBm)");
    meter.MeterScale = kHopBinRssi;
    float value = -70;
    meter.DrawMeter(0, value, QStringLiteral("Hop Bin Analyzer"), QStringLiteral("Missed Bins: 3"),
                    QStringLiteral("Total: 90"), QStringLiteral("Percentage Good: 96.7%"));
    const double h = 216;          // text height of line 1, Arial 9 on the recording surface
    const double top = 1500 + 250; // H/2 + H/12
    // The window's default font is back in place afterwards.
    EXPECT_DOUBLE_EQ(surface.textHeight(QString()), 8.25 * 24);
    surface.setFont(QStringLiteral("Arial"), 9, false); // to measure the captions
    struct Row {
        QString text;
        double y;
        bool underline;
    };
    const std::vector<Row> rows = {{"Average RSSI (dBm)", top, true},
                                   {"Percentage Good: 96.7%", top + 1.5 * h, false},
                                   {"Missed Bins: 3", top + 2.5 * h, false},
                                   {"Total: 90", top + 3.5 * h, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        const Op* op = textOp(row.text);
        ASSERT_NE(op, nullptr);
        EXPECT_DOUBLE_EQ(op->x1 + surface.textWidth(row.text) / 2, 1500);
        EXPECT_DOUBLE_EQ(op->y1, row.y);
        EXPECT_EQ(op->underline, row.underline);
        EXPECT_EQ(op->colour, kFore);
    }
    // The title passed in is not drawn.
    EXPECT_EQ(textOp(QStringLiteral("Hop Bin Analyzer")), nullptr);

    surface.reset();
    value = -70;
    meter.DrawMeter(0, value, QStringLiteral("Hop Bin Analyzer"), QStringLiteral("Missed Bins: 3"),
                    QStringLiteral("Total: 90"), QString());
    const auto texts = surface.texts();
    EXPECT_EQ(texts.size(), 4u + 3u); // scale labels, title, line 1, line 2
    EXPECT_EQ(std::count(texts.begin(), texts.end(), QString()), 0);
    ASSERT_NE(textOp(QStringLiteral("Missed Bins: 3")), nullptr);
    EXPECT_DOUBLE_EQ(textOp(QStringLiteral("Missed Bins: 3"))->y1, top + 2.5 * h);
    EXPECT_DOUBLE_EQ(textOp(QStringLiteral("Total: 90"))->y1, top + 3.5 * h);
}

TEST_F(LinkQualityMeterTest, PercentGoodOnTheHopBinTestCaptionsTheAverage) {
    settings.MeterTest = 0;
    settings.MeterType[0] = 1;
    data.HighestBin = 3;
    for (int b = 0; b <= 3; ++b)
        for (int side : {kRemoteSide, kPcSide})
            data.HopBins[static_cast<std::size_t>(b)][side].TrailingAverage = -70.25f;
    data.TotalReports = 200;
    data.MissedBins = 10;
    meter.RedrawLinkQualityMeter();

    EXPECT_EQ(meter.MeterTitle, QStringLiteral("Percentage Good"));
    EXPECT_EQ(meter.MeterScale, kPercent);
    // 95 % lies in the green zone: (95 - 85) / 15 of its third.
    EXPECT_NEAR(needleDegreesFromLeft(), 88.9 / 100 * 180, 0.2);
    const auto texts = surface.texts();
    const QStringList expected = {"0",
                                  "70",
                                  "85",
                                  "100",
                                  "Percentage Good",
                                  "Average RSSI: -70.3 dBm",
                                  "Missed Bins: 10",
                                  "Total: 200"};
    EXPECT_EQ(QStringList(texts.begin(), texts.end()), expected);
}

TEST_F(LinkQualityMeterTest, AverageRssiOnTheHopBinTestCaptionsThePercentage) {
    settings.MeterTest = 0;
    settings.MeterType[0] = 0;
    data.HighestBin = 1;
    for (int b = 0; b <= 1; ++b)
        for (int side : {kRemoteSide, kPcSide})
            data.HopBins[static_cast<std::size_t>(b)][side].TrailingAverage = -95;
    data.TotalReports = 0; // nothing reported yet
    meter.RedrawLinkQualityMeter();

    EXPECT_EQ(meter.MeterTitle, QStringLiteral("Average RSSI (dBm)"));
    EXPECT_EQ(meter.MeterScale, kHopBinRssi);
    EXPECT_NEAR(needleDegreesFromLeft(), 60, 0.2);
    EXPECT_NE(textOp(QStringLiteral("Percentage Good: 0.0%")), nullptr);
    EXPECT_NE(textOp(QStringLiteral("Missed Bins: 0")), nullptr);
    EXPECT_NE(textOp(QStringLiteral("Total: 0")), nullptr);
}

TEST_F(LinkQualityMeterTest, SpectrumRssiRunsFromStrongOnTheLeftToWeakOnTheRight) {
    settings.MeterTest = 1;
    settings.MeterType[1] = 0;
    SpectrumMeterFigures figures{-40, -60, 0.25};
    meter.spectrumFigures = [&] { return figures; };
    meter.RedrawLinkQualityMeter();

    EXPECT_EQ(meter.MeterTitle, QStringLiteral("Average RSSI (dBm)"));
    EXPECT_EQ(meter.MeterScale, kSpectrumRssi);
    EXPECT_NEAR(needleDegreesFromLeft(), 0, 0.1);
    const auto texts = surface.texts();
    const QStringList expected = {"-40",
                                  "-75",
                                  "-85",
                                  "-110",
                                  "Average RSSI (dBm)",
                                  "Percentage Good: 25.0%",
                                  "Peak Avg: -40.0 dBm",
                                  "Trailing Avg: -60.0 dBm"};
    EXPECT_EQ(QStringList(texts.begin(), texts.end()), expected);

    figures.peakMean = -110;
    surface.reset();
    meter.RedrawLinkQualityMeter();
    EXPECT_NEAR(needleDegreesFromLeft(), 180, 0.1);
}

TEST_F(LinkQualityMeterTest, SpectrumPercentGoodAndMissingFigures) {
    settings.MeterTest = 1;
    settings.MeterType[1] = 1;
    meter.spectrumFigures = [] { return SpectrumMeterFigures{-52.25, -61.04, 0.5}; };
    meter.RedrawLinkQualityMeter();
    EXPECT_EQ(meter.MeterTitle, QStringLiteral("Percentage Good"));
    EXPECT_NEAR(needleDegreesFromLeft(), 50.0 / 70 * 60, 0.2); // 50 % in the red third
    EXPECT_NE(textOp(QStringLiteral("Peak Avg: -52.3 dBm")), nullptr);
    EXPECT_NE(textOp(QStringLiteral("Trailing Avg: -61.0 dBm")), nullptr);

    // Before the first sweep the figures are zeros.
    meter.spectrumFigures = nullptr;
    settings.MeterType[1] = 0;
    surface.reset();
    meter.RedrawLinkQualityMeter();
    EXPECT_NE(textOp(QStringLiteral("Peak Avg: 0.0 dBm")), nullptr);
    EXPECT_NE(textOp(QStringLiteral("Percentage Good: 0.0%")), nullptr);
    EXPECT_NEAR(needleDegreesFromLeft(), 0, 0.1); // 0 dB: stronger than the left end
}

TEST_F(LinkQualityMeterTest, TheScaleComesFromTheThresholdsOfTheSelectedTestAndMeter) {
    settings.BadThreshold[0][0] = -91;
    settings.MarginalThreshold[0][0] = -81;
    settings.BadThreshold[0][1] = 61;
    settings.MarginalThreshold[0][1] = 81;
    settings.BadThreshold[1][0] = -71;
    settings.MarginalThreshold[1][0] = -86;
    settings.BadThreshold[1][1] = 51;
    settings.MarginalThreshold[1][1] = 71;
    const std::array<std::array<std::array<float, 4>, 2>, 2> expected = {{
        {{{-110, -91, -81, -40}, {0, 61, 81, 100}}},
        {{{-40, -71, -86, -110}, {0, 51, 71, 100}}},
    }};
    for (int test = 0; test < 2; ++test)
        for (int type = 0; type < 2; ++type) {
            settings.MeterTest = test;
            settings.MeterType[test] = type;
            meter.RedrawLinkQualityMeter();
            EXPECT_EQ(meter.MeterScale, expected[test][type]) << test << type;
        }

    // An unknown test or meter keeps the scale and draws nothing.
    surface.reset();
    settings.MeterType[1] = 2;
    meter.RedrawLinkQualityMeter();
    settings.MeterTest = 2;
    meter.RedrawLinkQualityMeter();
    EXPECT_EQ(meter.MeterScale, expected[1][1]);
    EXPECT_EQ(meter.MeterTitle, QStringLiteral("Percentage Good"));
    EXPECT_TRUE(surface.ops().empty());
}

TEST_F(LinkQualityMeterTest, AClosedMeterWindowStillYieldsTheDialPosition) {
    surfaces.meterOpen = false;
    meter.MeterScale = kPercent;
    float value = 95;
    meter.DrawMeter(0, value, QString(), QString(), QString(), QString());
    EXPECT_NEAR(value, 88.9, 0.05);
    EXPECT_TRUE(surface.ops().empty());
}

namespace {

// Records the drawing like RecordingSurface, but measures texts in the platform's
// real fonts, as the meter window does.
class PlatformFontRecordingSurface : public RecordingSurface {
public:
    PlatformFontRecordingSurface(double width, double height) : RecordingSurface(width, height) {}
    void setFont(const QString& name, double points, bool underline) override {
        RecordingSurface::setFont(name, points, underline);
        fonts_.setFont(name, points, underline);
    }
    double textWidth(const QString& text) const override { return fonts_.textWidth(text); }
    double textHeight(const QString& text) const override { return fonts_.textHeight(text); }

    // The box a printed text covers, measured in the font it was printed in.
    QRectF textBox(const Op& op) {
        fonts_.setFont(op.fontName, op.fontPoints, op.underline);
        return {op.x1, op.y1, fonts_.textWidth(op.text), fonts_.textHeight(op.text)};
    }

private:
    ImageSurface fonts_{96};
};

// Draws the meter with its longest texts at a picture of `side` twips square.
std::vector<QRectF> textBoxesAt(double side, std::vector<QString>* texts = nullptr) {
    Settings settings;
    HopBinData data;
    PlatformFontRecordingSurface surface(side, side);
    struct OneMeter : AnalyzerSurfaces {
        Surface* picture = nullptr;
        Surface* hopBinSurface() override { return nullptr; }
        Surface* spectrumSurface() override { return nullptr; }
        Surface* meterSurface() override { return picture; }
    } surfaces;
    surfaces.picture = &surface;
    LinkQualityMeter meter(settings, data, surfaces);
    meter.MeterTitle = QStringLiteral("Percentage Good");
    meter.MeterScale = {-110, -95.5, -80.5, -40};
    float value = -70;
    meter.DrawMeter(0, value, QStringLiteral("Hop Bin Analyzer"),
                    QStringLiteral("Missed Bins: 1234567"), QStringLiteral("Total: 123456789"),
                    QStringLiteral("Percentage Good: 100.0%"));
    std::vector<QRectF> boxes;
    for (const RecordingSurface::Op& op : surface.opsOf(RecordingSurface::Op::Kind::Text)) {
        boxes.push_back(surface.textBox(op));
        if (texts)
            texts->push_back(op.text);
    }
    return boxes;
}

} // namespace

TEST(MeterTexts, StayInsideThePictureAtEverySizeAndShrinkDownToAReadableSize) {
    // From the smallest meter the window lays out (120 px) to a large one; in twips
    // at 96 dpi (15 twips a pixel).
    for (const int pixels : {120, 140, 160, 200, 260, 400, 700}) {
        const double side = pixels * 15.0;
        std::vector<QString> texts;
        const std::vector<QRectF> boxes = textBoxesAt(side, &texts);
        // The four scale labels, the title and the three caption rows.
        EXPECT_EQ(boxes.size(), 8u) << pixels << " px";
        const QRectF picture(0, 0, side, side);
        for (std::size_t i = 0; i < boxes.size(); ++i)
            EXPECT_TRUE(picture.contains(boxes[i]))
                << texts[i].toStdString() << " at " << pixels << " px: " << boxes[i].x() << ","
                << boxes[i].y() << " " << boxes[i].width() << "x" << boxes[i].height();
    }
}

TEST(MeterTexts, AreNinePointsOnALargeDialAndNeverBelowSixOnASmallOne) {
    RecordingSurface large(3000, 3000), small(1800, 1800), tiny(600, 600);
    const QStringList lines = {QStringLiteral("Missed Bins: 12"), QStringLiteral("Total: 200"),
                               QStringLiteral("Average RSSI: -80.5 dBm")};
    EXPECT_DOUBLE_EQ(meter::textPoints(large, QStringLiteral("Percentage Good"), lines), 9);
    const double smallPoints = meter::textPoints(small, QStringLiteral("Percentage Good"), lines);
    EXPECT_LT(smallPoints, 9);
    EXPECT_GE(smallPoints, meter::kMinimumTextPoints);
    EXPECT_DOUBLE_EQ(meter::textPoints(tiny, QStringLiteral("Percentage Good"), lines),
                     meter::kMinimumTextPoints);
}
