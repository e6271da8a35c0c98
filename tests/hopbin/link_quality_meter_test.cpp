// The link quality meter as drawn: the dial, its zones, needle, scale and captions,
// for both tests and both meters, and texts that fit the picture at every size.

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
using Kind = Op::Kind;
using Scale = std::array<float, 4>;

constexpr Colour kFore = 0x101010;
constexpr Scale kHopBinRssi = {-110, -95, -80, -40};
constexpr Scale kPercent = {0, 70, 85, 100};

// "x1,y1 x2,y2" in whole twips, or "text x1,y1" for a text.
QString where(const Op& op) {
    const QString at = QStringLiteral("%1,%2").arg(qRound(op.x1)).arg(qRound(op.y1));
    if (op.kind == Kind::Text)
        return op.text + u' ' + at;
    return at + QStringLiteral(" %1,%2").arg(qRound(op.x2)).arg(qRound(op.y2));
}

// The meter picture is 3000 x 3000 twips: dial radius 1485, centre (1500, 1500).
class LinkQualityMeterTest : public ::testing::Test {
protected:
    void SetUp() override { surface.setForeColor(kFore); }

    // The needle: the only line drawn wider than two pixels.
    Op needle() const {
        for (const Op& op : surface.opsOf(Kind::Line))
            if (op.lineWidth > 2)
                return op;
        ADD_FAILURE() << "no needle";
        return {};
    }
    // Angle of the needle tip in degrees from the left end of the dial, measured
    // around the dial's own centre (R, R).
    double needleDegrees() const {
        const Op n = needle();
        return std::atan2(1485 - n.y2, 1485 - n.x2) * 180 / std::numbers::pi;
    }
    QStringList texts() const {
        const auto all = surface.texts();
        return QStringList(all.begin(), all.end());
    }

    Settings settings;
    HopBinData data;
    TestSurfaces surfaces;
    RecordingSurface& surface = surfaces.meter;
    LinkQualityMeter meter{settings, data, surfaces};
};

} // namespace

// Where each value lies on the dial, in thirds (zones) to one decimal.
std::vector<double> thirds(const Scale& scale, std::initializer_list<double> values) {
    std::vector<double> out;
    for (const double value : values)
        out.push_back(std::round(LinkQualityMeter::DialPosition(value, scale) * 0.3) / 10);
    return out;
}

TEST(DialPosition, EachZoneTakesAThirdOfTheDialAndValuesOffTheScaleStopAtTheNearerEnd) {
    using V = std::vector<double>;
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(thirds(kHopBinRssi, {-110, -95, -80, -40, -87.5, -60, -120, -30, -inf, inf}),
              (V{0, 1, 2, 3, 1.5, 2.5, 0, 3, 0, 3}));
    EXPECT_EQ(thirds(kPercent, {35, 95, 150, std::numeric_limits<double>::quiet_NaN()}),
              (V{0.5, 2.7, 3, 0}));
    // The spectrum scale runs downwards: strong signals are on the left.
    EXPECT_EQ(thirds({-40, -75, -85, -110}, {-40, -80, -110, -20, -130, -inf}),
              (V{0, 1.5, 3, 0, 3, 3}));
    // Empty zones are skipped without dividing by zero.
    EXPECT_EQ(thirds({0, 0, 85, 100}, {0}), V{1});
    EXPECT_EQ(thirds({0, 100, 100, 100}, {100}), V{3});
    EXPECT_EQ(thirds({0, 70, 100, 100}, {100}), V{3});
    EXPECT_EQ(thirds({5, 5, 5, 5}, {5, 7}), (V{3, 0}));
}

TEST_F(LinkQualityMeterTest, TheDialItsZonesNeedleAndScale) {
    meter.MeterScale = kHopBinRssi;
    float value = -95; // the bad threshold: on the red / yellow boundary
    meter.DrawMeter(0, value, QStringLiteral("Hop Bin Analyzer"), QStringLiteral("one"),
                    QStringLiteral("two"), QStringLiteral("three"));
    EXPECT_NEAR(value, 33.33, 0.01);
    ASSERT_FALSE(surface.ops().empty());
    EXPECT_EQ(surface.ops().front().kind, Kind::Clear);

    // A white face, a black hub, then the rim drawn without filling.
    const auto circles = surface.opsOf(Kind::Circle);
    ASSERT_EQ(circles.size(), 3u);
    const double radii[] = {1485, 150, 1485};
    const Colour fills[] = {0xFFFFFF, 0x000000, 0x000000};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(where(circles[i]), QStringLiteral("1500,1500 0,0")) << i;
        EXPECT_DOUBLE_EQ(circles[i].radius, radii[i]) << i;
        EXPECT_EQ(circles[i].colour, kFore) << i;
        EXPECT_EQ(circles[i].lineWidth, 1) << i;
        EXPECT_EQ(circles[i].fillColour, fills[i]) << i;
        EXPECT_EQ(circles[i].fillStyle,
                  i < 2 ? Surface::FillStyle::Solid : Surface::FillStyle::Transparent);
    }

    // Face lines every 50 twips in the button-face colour, following the outline.
    const auto face = surface.linesIn(meter::buttonFaceColour());
    ASSERT_EQ(face.size(), 59u); // 50 .. 2950
    EXPECT_EQ(where(face[0]), QStringLiteral("50,1118 50,1882"));
    EXPECT_EQ(where(face[29]), QStringLiteral("1500,15 1500,2985"));

    // Bands of arcs from H/4 to 7H/24, two pixels wide: red left, green right.
    const auto arcs = surface.opsOf(Kind::Arc);
    ASSERT_EQ(arcs.size(), 3u * (875 - 750 + 1));
    EXPECT_DOUBLE_EQ(arcs.back().radius, 875);
    const double third = std::numbers::pi / 3;
    const double ends[][2] = {{2 * third, 3 * third}, {third, 2 * third}, {0, third}};
    const Colour zones[] = {0x0000FF, 0x00FFFF, 0x00FF00};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(arcs[i].radius, 750);
        EXPECT_EQ(arcs[i].lineWidth, 2);
        EXPECT_EQ(arcs[i].colour, zones[i]);
        EXPECT_NEAR(arcs[i].startAngle, ends[i][0], 1e-5);
        EXPECT_NEAR(arcs[i].endAngle, ends[i][1], 1e-5);
    }

    // The needle, 5 pixels wide at this size, half the radius long at 60 degrees.
    EXPECT_EQ(where(needle()), QStringLiteral("1500,1500 1114,842"));
    EXPECT_EQ(needle().lineWidth, 5);
    EXPECT_EQ(needle().colour, kFore);
    EXPECT_EQ(meter::needleWidth(2000), 4); // 3.5 to even
    EXPECT_EQ(meter::needleWidth(1200), 2); // 2.5 to even

    // Ticks from the rim inwards by W/16, each labelled (Arial 9) at its inner end.
    EXPECT_EQ(surface.linesIn(0x000000).size(), 4u);
    QStringList ticks;
    for (const Op& tick : surface.linesIn(0x000000))
        ticks << where(tick);
    EXPECT_EQ(ticks, (QStringList{"0,1485 188,1485", "742,199 836,361", "2227,199 2134,361",
                                  "2970,1485 2782,1485"}));
    QStringList labels;
    for (const Op& text : surface.opsOf(Kind::Text))
        if (text.fontPoints == 9 && text.fontName == QStringLiteral("Arial"))
            labels << where(text);
    EXPECT_EQ(labels.mid(0, 4),
              (QStringList{"-110 188,1377", "-95 836,361", "-80 1999,361", "-40 2512,1377"}));
}

TEST_F(LinkQualityMeterTest, CaptionsAreCentredAndAnEmptyThirdLineLeavesAGap) {
    meter.MeterTitle = QStringLiteral("Average RSSI (dBm)");
    meter.MeterScale = kHopBinRssi;
    float value = -70;
    meter.DrawMeter(0, value, QStringLiteral("Hop Bin Analyzer"), QStringLiteral("Missed Bins: 3"),
                    QStringLiteral("Total: 90"), QStringLiteral("Percentage Good: 96.7%"));
    // The window's default font is back in place afterwards.
    EXPECT_DOUBLE_EQ(surface.textHeight(QString()), 8.25 * 24);
    // Centred under the hub from H/2 + H/12, Arial 9 (90 twips a character, 216 high);
    // the title passed in is not drawn.
    const QStringList captions = texts().mid(4);
    QStringList at;
    for (const QString& text : captions)
        at << where(*surface.findText(text));
    EXPECT_EQ(at, (QStringList{"Average RSSI (dBm) 690,1750", "Percentage Good: 96.7% 510,2074",
                               "Missed Bins: 3 870,2290", "Total: 90 1095,2506"}));
    EXPECT_TRUE(surface.findText(captions[0])->underline);
    EXPECT_FALSE(surface.findText(captions[1])->underline);
    EXPECT_EQ(surface.findText(captions[3])->colour, kFore);

    surface.reset();
    meter.DrawMeter(0, value, QString(), QStringLiteral("Missed Bins: 3"),
                    QStringLiteral("Total: 90"), QString());
    at.clear();
    for (const QString& text : texts().mid(4))
        at << where(*surface.findText(text));
    EXPECT_EQ(at, (QStringList{"Average RSSI (dBm) 690,1750", "Missed Bins: 3 870,2290",
                               "Total: 90 1095,2506"}));

    // A closed meter window still turns the value into its dial position.
    surfaces.meterOpen = false;
    meter.MeterScale = kPercent;
    value = 95;
    surface.reset();
    meter.DrawMeter(0, value, QString(), QString(), QString(), QString());
    EXPECT_NEAR(value, 88.9, 0.05);
    EXPECT_TRUE(surface.ops().empty());
}

TEST_F(LinkQualityMeterTest, EachTestAndMeterShowsItsFigureOnTheNeedleAndTheOtherInTheCaption) {
    SpectrumMeterFigures figures;
    meter.spectrumFigures = [&] { return figures; };
    // `average`, `total` and `missed` of the hop bin test; what is printed: the
    // scale, the title and the captions.
    const auto expectMeter = [&](int test, int type, float average, float total, float missed,
                                 SpectrumMeterFigures spectrum, double degrees,
                                 const char* printed) {
        SCOPED_TRACE(printed);
        settings.MeterTest = test;
        settings.MeterType[test] = type;
        data.HighestBin = 1;
        for (auto& bin : data.HopBins)
            for (BinStats& side : bin)
                side.TrailingAverage = average;
        data.TotalReports = total;
        data.MissedBins = missed;
        figures = spectrum;
        surface.reset();
        meter.RedrawLinkQualityMeter();
        EXPECT_EQ(meter.MeterTitle, texts().at(4));
        EXPECT_NEAR(needleDegrees(), degrees, 0.2);
        EXPECT_EQ(texts().join(u'|'), QString::fromUtf8(printed));
    };
    // 95 % lies in the green zone: (95 - 85) / 15 of its third.
    expectMeter(0, 1, -70.25f, 200, 10, {}, 88.9 / 100 * 180,
                "0|70|85|100|Percentage Good|Average RSSI: -70.3 dBm|Missed Bins: 10|Total: 200");
    expectMeter(
        0, 0, -95, 0, 0, {}, 60,
        "-110|-95|-80|-40|Average RSSI (dBm)|Percentage Good: 0.0%|Missed Bins: 0|Total: 0");
    // On the spectrum test a strong signal is interference: the scale runs down.
    expectMeter(1, 0, 0, 0, 0, {-40, -60, 0.25}, 0,
                "-40|-75|-85|-110|Average RSSI (dBm)|Percentage Good: 25.0%|Peak Avg: -40.0 "
                "dBm|Trailing Avg: -60.0 dBm");
    expectMeter(1, 0, 0, 0, 0, {-110, -60, 0.25}, 180,
                "-40|-75|-85|-110|Average RSSI (dBm)|Percentage Good: 25.0%|Peak Avg: -110.0 "
                "dBm|Trailing Avg: -60.0 dBm");
    // 50 % in the red third.
    expectMeter(1, 1, 0, 0, 0, {-52.25, -61.04, 0.5}, 50.0 / 70 * 60,
                "0|70|85|100|Percentage Good|Peak Avg: -52.3 dBm|Trailing Avg: -61.0 dBm|");

    // Before the first sweep the spectrum figures are zeros.
    meter.spectrumFigures = nullptr;
    settings.MeterType[1] = 0;
    meter.RedrawLinkQualityMeter();
    EXPECT_NE(surface.findText(QStringLiteral("Peak Avg: 0.0 dBm")), nullptr);
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
    const Scale expected[2][2] = {{{-110, -91, -81, -40}, {0, 61, 81, 100}},
                                  {{-40, -71, -86, -110}, {0, 51, 71, 100}}};
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

} // namespace

TEST(MeterTexts, StayInsideThePictureAtEverySizeAndShrinkDownToAReadableSize) {
    // From the smallest meter the window lays out (120 px) to a large one; in twips
    // at 96 dpi (15 twips a pixel).
    for (const int pixels : {120, 140, 160, 200, 260, 400, 700}) {
        const double side = pixels * 15.0;
        Settings settings;
        HopBinData data;
        PlatformFontRecordingSurface surface(side, side);
        struct OneMeter : TestSurfaces {
            Surface* picture = nullptr;
            Surface* meterSurface() override { return picture; }
        } oneMeter;
        oneMeter.picture = &surface;
        LinkQualityMeter meter(settings, data, oneMeter);
        meter.MeterTitle = QStringLiteral("Percentage Good");
        meter.MeterScale = {-110, -95.5, -80.5, -40};
        float value = -70;
        meter.DrawMeter(0, value, QString(), QStringLiteral("Missed Bins: 1234567"),
                        QStringLiteral("Total: 123456789"),
                        QStringLiteral("Percentage Good: 100.0%"));
        // The four scale labels, the title and the three caption rows.
        const auto texts = surface.opsOf(Kind::Text);
        EXPECT_EQ(texts.size(), 8u) << pixels << " px";
        for (const Op& text : texts) {
            const QRectF box = surface.textBox(text);
            EXPECT_TRUE(QRectF(0, 0, side, side).contains(box))
                << text.text.toStdString() << " at " << pixels << " px: " << box.x() << ","
                << box.y() << " " << box.width() << "x" << box.height();
        }
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
