// The link quality meter as the user sees it: zones, where the needle points, the
// scale labels and captions for both tests and both meters, and texts that fit the
// picture at every size.

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

constexpr Scale kHopBinRssi = {-110, -95, -80, -40};

// The needle: the last line drawn wider than two pixels.
Op needle(const RecordingSurface& surface) {
    Op found{};
    for (const Op& op : surface.opsOf(Kind::Line))
        found = op.lineWidth > 2 ? op : found;
    return found;
}
// Degrees of the needle tip from the left end of the dial, around its centre (1485 twips).
double needleDegrees(const RecordingSurface& surface) {
    const Op tip = needle(surface);
    return std::atan2(1485 - tip.y2, 1485 - tip.x2) * 180 / std::numbers::pi;
}
// "text x1,y1" in whole twips, of the texts printed.
QStringList textsAt(const RecordingSurface& surface) {
    QStringList out;
    for (const Op& op : surface.opsOf(Kind::Text))
        out << op.text + QStringLiteral(" %1,%2").arg(qRound(op.x1)).arg(qRound(op.y1));
    return out;
}

// Where each value lies on the dial, in thirds (zones) to one decimal.
std::vector<double> thirds(const Scale& scale, std::initializer_list<double> values) {
    std::vector<double> out;
    for (const double value : values)
        out.push_back(std::round(LinkQualityMeter::DialPosition(value, scale) * 0.3) / 10);
    return out;
}

} // namespace

TEST(DialPosition, EachZoneTakesAThirdOfTheDialAndValuesOffTheScaleStopAtTheNearerEnd) {
    using V = std::vector<double>;
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(thirds(kHopBinRssi, {-110, -100, -95, -80, -40, -87.5, -60, -120, -30, -inf, inf}),
              (V{0, 0.7, 1, 2, 3, 1.5, 2.5, 0, 3, 0, 3}));
    EXPECT_EQ(thirds({0, 70, 85, 100}, {35, 95, 150, std::numeric_limits<double>::quiet_NaN()}),
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

class LinkQualityMeterTest : public ::testing::Test {
protected:
    void SetUp() override { surface.setForeColor(0x101010); }

    Settings settings;
    HopBinData data;
    TestSurfaces surfaces;
    RecordingSurface& surface = surfaces.meter;
    LinkQualityMeter meter{settings, data, surfaces};
};

TEST_F(LinkQualityMeterTest, TheDialItsZonesNeedleScaleAndCaptions) {
    meter.MeterTitle = QStringLiteral("Average RSSI (dBm)");
    meter.MeterScale = kHopBinRssi;
    float value = -95; // the bad threshold: on the red / yellow boundary
    meter.DrawMeter(0, value, QStringLiteral("Hop Bin Analyzer"), QStringLiteral("Missed Bins: 3"),
                    QStringLiteral("Total: 90"), QStringLiteral("Percentage Good: 96.7%"));
    EXPECT_NEAR(value, 33.33, 0.01);
    EXPECT_EQ(surface.ops().front().kind, Kind::Clear);
    // A white face with lines in the button-face colour, zones red, yellow, green from
    // left to right (angles count from the right), a black hub, the rim on top.
    const auto arcs = surface.opsOf(Kind::Arc), circles = surface.opsOf(Kind::Circle);
    ASSERT_TRUE(arcs.size() >= 3 && circles.size() == 3);
    EXPECT_TRUE(circles[0].fillColour == 0xFFFFFF && circles[1].fillColour == 0 &&
                circles[2].fillStyle == Surface::FillStyle::Transparent);
    EXPECT_FALSE(surface.linesIn(meter::buttonFaceColour()).empty());
    const Colour zones[] = {0x0000FF, 0x00FFFF, 0x00FF00};
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(arcs[i].colour == zones[i] &&
                    std::abs(arcs[i].endAngle - (3 - i) * std::numbers::pi / 3) < 1e-5)
            << i;
    EXPECT_NEAR(needleDegrees(surface), 60, 0.2);
    EXPECT_EQ(needle(surface).colour, 0x101010u);
    EXPECT_EQ(surface.linesIn(0x000000).size(), 4u); // the ticks
    // Scale labels inside the ticks; captions centred under the hub, the
    // percentage first; the title passed in is not drawn.
    EXPECT_EQ(textsAt(surface),
              (QStringList{"-110 188,1377", "-95 836,361", "-80 1999,361", "-40 2512,1377",
                           "Average RSSI (dBm) 690,1750", "Percentage Good: 96.7% 510,2074",
                           "Missed Bins: 3 870,2290", "Total: 90 1095,2506"}));
    EXPECT_TRUE(surface.opsOf(Kind::Text)[4].underline && !surface.opsOf(Kind::Text)[5].underline);
    EXPECT_DOUBLE_EQ(surface.textHeight(QString()), 8.25 * 24); // default font back

    // An empty third line leaves its gap.
    surface.reset();
    meter.DrawMeter(0, value, QString(), QStringLiteral("Missed Bins: 3"),
                    QStringLiteral("Total: 90"), QString());
    EXPECT_EQ(textsAt(surface).mid(5),
              (QStringList{"Missed Bins: 3 870,2290", "Total: 90 1095,2506"}));
    // A closed meter window still turns the value into its dial position.
    surfaces.meterOpen = false;
    meter.MeterScale = {0, 70, 85, 100};
    value = 95;
    surface.reset();
    meter.DrawMeter(0, value, QString(), QString(), QString(), QString());
    EXPECT_NEAR(value, 88.9, 0.05);
    EXPECT_TRUE(surface.ops().empty());
}

TEST_F(LinkQualityMeterTest, EachTestAndMeterShowsItsFigureOnTheNeedleAndTheOtherInTheCaption) {
    // The thresholds of the selected test and meter give the scale.
    std::tie(settings.BadThreshold[0][0], settings.MarginalThreshold[0][0]) = std::tuple(-91, -81);
    std::tie(settings.BadThreshold[1][1], settings.MarginalThreshold[1][1]) = std::tuple(51, 71);
    SpectrumMeterFigures figures;
    meter.spectrumFigures = [&] { return figures; };
    data.HighestBin = 1;
    struct Setup {
        int test, type;
        float average, total, missed; // of the hop bin test
        SpectrumMeterFigures spectrum;
        double degrees;
    };
    const std::pair<Setup, const char*> cases[] = {
        // 95 % lies in the green zone: (95 - 85) / 15 of its third.
        {{0, 1, -70.25f, 200, 10, {}, 88.9 / 100 * 180},
         "0|70|85|100|Percentage Good|Average RSSI: -70.3 dBm|Missed Bins: 10|Total: 200"},
        {{0, 0, -91, 0, 0, {}, 60},
         "-110|-91|-81|-40|Average RSSI (dBm)|Percentage Good: 0.0%|Missed Bins: 0|Total: 0"},
        // On the spectrum test a strong signal is interference: the scale runs down.
        {{1, 0, 0, 0, 0, {-40, -60, 0.25}, 0},
         "-40|-75|-85|-110|Average RSSI (dBm)|Percentage Good: 25.0%|Peak Avg: -40.0 "
         "dBm|Trailing Avg: -60.0 dBm"},
        // 50 % in the red third.
        {{1, 1, 0, 0, 0, {-52.25, -61.04, 0.5}, 50.0 / 51 * 60},
         "0|51|71|100|Percentage Good|Peak Avg: -52.3 dBm|Trailing Avg: -61.0 dBm|"},
    };
    for (const auto& [c, printed] : cases) {
        SCOPED_TRACE(printed);
        settings.MeterTest = c.test;
        settings.MeterType[c.test] = c.type;
        for (auto& bin : data.HopBins)
            for (BinStats& side : bin)
                side.TrailingAverage = c.average;
        data.TotalReports = c.total;
        data.MissedBins = c.missed;
        figures = c.spectrum;
        surface.reset();
        meter.RedrawLinkQualityMeter();
        EXPECT_NEAR(needleDegrees(surface), c.degrees, 0.2);
        const auto texts = surface.texts();
        EXPECT_EQ(QStringList(texts.begin(), texts.end()).join(u'|'), QString::fromUtf8(printed));
    }

    // Before the first sweep the spectrum figures are zeros.
    meter.spectrumFigures = nullptr;
    settings.MeterType[1] = 0;
    meter.RedrawLinkQualityMeter();
    EXPECT_NE(surface.findText(QStringLiteral("Peak Avg: 0.0 dBm")), nullptr);
    // An unknown test or meter keeps the scale and draws nothing.
    surface.reset();
    settings.MeterType[1] = 2;
    meter.RedrawLinkQualityMeter();
    settings.MeterTest = 2;
    meter.RedrawLinkQualityMeter();
    EXPECT_EQ(meter.MeterScale, (Scale{-40, -75, -85, -110}));
    EXPECT_TRUE(surface.ops().empty());
}

namespace {

// Records the drawing, but measures texts in the platform's real fonts, as the
// meter window does.
class PlatformFontRecordingSurface : public RecordingSurface, public TestSurfaces {
public:
    PlatformFontRecordingSurface(double side) : RecordingSurface(side, side) {}
    Surface* meterSurface() override { return this; }
    void setFont(const QString& name, double points, bool underline) override {
        RecordingSurface::setFont(name, points, underline);
        fonts.setFont(name, points, underline);
    }
    double textWidth(const QString& text) const override { return fonts.textWidth(text); }
    double textHeight(const QString& text) const override { return fonts.textHeight(text); }
    ImageSurface fonts{96};
};

} // namespace

TEST(MeterTexts, StayInsideThePictureAtEverySizeAreNinePointsOnALargeDialAndNeverBelowSix) {
    // From the smallest meter the window lays out (120 px) to a large one; in twips
    // at 96 dpi (15 twips a pixel).
    for (const int pixels : {120, 140, 160, 200, 260, 400, 700}) {
        const double side = pixels * 15.0;
        Settings settings;
        HopBinData data;
        PlatformFontRecordingSurface surface(side);
        LinkQualityMeter meter(settings, data, surface);
        meter.MeterTitle = QStringLiteral("Percentage Good");
        meter.MeterScale = {-110, -95.5, -80.5, -40};
        float value = -70;
        meter.DrawMeter(0, value, QString(), QStringLiteral("Missed Bins: 1234567"),
                        QStringLiteral("Total: 123456789"),
                        QStringLiteral("Percentage Good: 100.0%"));
        // The four scale labels, the title and the three caption rows.
        EXPECT_EQ(surface.opsOf(Kind::Text).size(), 8u) << pixels << " px";
        for (const Op& text : surface.opsOf(Kind::Text)) {
            surface.fonts.setFont(text.fontName, text.fontPoints, text.underline);
            const QRectF box(text.x1, text.y1, surface.fonts.textWidth(text.text),
                             surface.fonts.textHeight(text.text));
            EXPECT_TRUE(QRectF(0, 0, side, side).contains(box))
                << text.text.toStdString() << " at " << pixels << " px";
        }
    }
    // Nine points on a large dial, never below six on a small one.
    RecordingSurface large(3000, 3000), small(1800, 1800), tiny(600, 600);
    const QString title = QStringLiteral("Percentage Good");
    const QStringList lines = {"Missed Bins: 12", "Total: 200", "Average RSSI: -80.5 dBm"};
    EXPECT_DOUBLE_EQ(meter::textPoints(large, title, lines), 9);
    const double smallPoints = meter::textPoints(small, title, lines);
    EXPECT_TRUE(smallPoints < 9 && smallPoints >= meter::kMinimumTextPoints) << smallPoints;
    EXPECT_DOUBLE_EQ(meter::textPoints(tiny, title, lines), meter::kMinimumTextPoints);
}
