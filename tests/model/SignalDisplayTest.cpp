// SPDX-License-Identifier: GPL-3.0-or-later
// The signal display against the recording canvas: lane layout, envelope,
// labels, trigger lines and the behaviour on extreme values.

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>

#include "model/SignalDisplay.h"
#include "support/RecordingCanvas.h"

using namespace tonvera;
using tonvera::test::RecordingCanvas;

namespace {

// Plain numbers with the decimal comma; named values from a map; anything
// else is the failure value -10.
struct TestValues {
    std::map<std::string, double> named;
    double operator()(const std::string& text) const
    {
        if (auto it = named.find(text); it != named.end())
            return it->second;
        std::string t = text;
        std::replace(t.begin(), t.end(), ',', '.');
        double v = 0;
        auto res = std::from_chars(t.data(), t.data() + t.size(), v);
        if (res.ec != std::errc() || res.ptr != t.data() + t.size())
            return -10;
        return v;
    }
};

SinusRecord sine(const std::string& freq = "1000")
{
    SinusRecord r;
    r.Freq = freq;
    r.Phase = "0";
    r.Ampl = "0";
    r.Start = "0";
    r.Dach = "25";
    r.RampUp = "0,002";
    r.RampDown = "0,002";
    r.TabTyp = 0;
    r.Used = true;
    return r;
}

DisplayInput globals(const SinusArray& set)
{
    DisplayInput in;
    in.records = &set;
    in.Signaldauer = "1000";
    in.Triggerstart = "100";
    in.Triggerstop = "900";
    return in;
}

LabelOptions noLabels()
{
    LabelOptions o;
    o.StartCheck = o.RampUpCheck = o.FreqCheck = o.PhaseCheck = false;
    o.StopCheck = o.AmplCheck = o.RampDownCheck = o.TypCheck = false;
    return o;
}

struct DisplayTest : ::testing::Test {
    TestValues values;
    SignalDisplay display{[this](const std::string& t) { return values(t); }};
    RecordingCanvas canvas;
    SinusArray set{};
};

} // namespace

TEST_F(DisplayTest, EmptySetShowsBlackBoxRedFrameAndBothTriggerLines)
{
    DisplayInput in = globals(set);
    display.SinusBoxPaint(in, canvas, 727, 260);

    ASSERT_EQ(canvas.rects.size(), 1u);
    const auto& r = canvas.rects[0];
    EXPECT_EQ(std::tie(r.x1, r.y1, r.x2, r.y2), std::make_tuple(0, 0, 727, 260));
    EXPECT_EQ(r.brush, colors::Black);
    EXPECT_EQ(r.pen, colors::Red);
    EXPECT_TRUE(canvas.texts.empty());
    ASSERT_EQ(canvas.lines.size(), 2u);
    // 100 ms at 0.727 px/ms is 72.7 px; 900 ms is 654.3 px.
    EXPECT_EQ(canvas.lines[0].pen, colors::Blue);
    EXPECT_TRUE(canvas.hasLine(73, 0, 73, 260));
    EXPECT_EQ(canvas.lines[1].pen, colors::Purple);
    EXPECT_TRUE(canvas.hasLine(654, 0, 654, 260));
    EXPECT_DOUBLE_EQ(display.TimeScale, 0.727);
}

TEST_F(DisplayTest, OneLaneIsCentredWithFullEnvelopeAtZeroDecibel)
{
    DisplayInput in = globals(set);
    set[0] = sine();
    set[0].Start = "100";
    set[0].RampUp = "50";
    set[0].Dach = "200";
    set[0].RampDown = "50";
    in.SelectedSignal = 0;
    display.SinusBoxPaint(in, canvas, 1000, 260);

    // y = 130, amp = 168, (3*168) div 7 = 72, h = rnd(33*72/30) = 79.
    EXPECT_TRUE(canvas.hasLine(0, 130, 100, 130));    // baseline up to the start
    EXPECT_TRUE(canvas.hasLine(100, 130, 150, 51));   // rise, upper half
    EXPECT_TRUE(canvas.hasLine(100, 130, 150, 209));  // rise, lower half
    EXPECT_TRUE(canvas.hasLine(150, 209, 350, 209));  // plateau, lower
    EXPECT_TRUE(canvas.hasLine(150, 51, 350, 51));    // plateau, upper
    EXPECT_TRUE(canvas.hasLine(350, 51, 400, 130));   // fall, upper
    EXPECT_TRUE(canvas.hasLine(350, 209, 400, 130));  // fall, lower
    EXPECT_TRUE(canvas.hasLine(400, 130, 1000, 130)); // baseline after the end
}

TEST_F(DisplayTest, EnvelopeFlattensAt33DecibelAndTurnsInsideOutBeyond)
{
    DisplayInput in = globals(set);
    set[0] = sine();
    set[0].Ampl = "33";
    display.SinusBoxPaint(in, canvas, 1000, 260);
    EXPECT_TRUE(canvas.hasLine(0, 130, 25, 130)); // plateau drawn on the baseline: h = 0

    RecordingCanvas c2;
    set[0].Ampl = "40";
    display.SinusBoxPaint(in, c2, 1000, 260);
    // h = rnd(-7*72/30) = rnd(-16.8) = -17: the "upper" edge lies below.
    EXPECT_TRUE(c2.hasLine(0, 147, 25, 147));
    EXPECT_TRUE(c2.hasLine(0, 113, 25, 113));
}

TEST_F(DisplayTest, TwoLanesAreCentredWithTiesToEven)
{
    DisplayInput in = globals(set);
    set[0] = sine();
    set[1] = sine("2000");
    display.SinusBoxPaint(in, canvas, 1000, 260);
    // Lane centres rnd(77.5) = 78 and rnd(164.17) = 164; amp = 84, h = rnd(33*36/30) = 40.
    EXPECT_TRUE(canvas.hasLine(25, 78, 1000, 78));
    EXPECT_TRUE(canvas.hasLine(25, 164, 1000, 164));
    EXPECT_TRUE(canvas.hasLine(0, 78, 0, 38));
    EXPECT_TRUE(canvas.hasLine(0, 164, 0, 124));
}

TEST_F(DisplayTest, UnusedSlotsAreSkippedAndTheRestCloseUp)
{
    DisplayInput in = globals(set);
    set[0] = sine();
    set[3] = sine(); // a gap never happens in practice, but lanes count only used slots
    display.SinusBoxPaint(in, canvas, 1000, 260);
    EXPECT_TRUE(canvas.hasLine(25, 78, 1000, 78));
    EXPECT_TRUE(canvas.hasLine(25, 164, 1000, 164));
}

TEST_F(DisplayTest, SelectedLaneIsYellowOthersWhite)
{
    DisplayInput in = globals(set);
    set[0] = sine();
    set[1] = sine();
    in.SelectedSignal = 1;
    display.SinusBoxPaint(in, canvas, 1000, 260);
    const auto* lane0 = canvas.findLine(25, 78, 1000, 78);
    const auto* lane1 = canvas.findLine(25, 164, 1000, 164);
    ASSERT_TRUE(lane0 && lane1);
    EXPECT_EQ(lane0->pen, colors::White);
    EXPECT_EQ(lane1->pen, colors::Yellow);
    for (const auto& t : canvas.texts)
        EXPECT_EQ(t.font, colors::White) << t.text; // labels stay white on black
}

TEST_F(DisplayTest, LabelsOfASineAndWhereTheyStand)
{
    DisplayInput in = globals(set);
    set[0] = sine();
    display.SinusBoxPaint(in, canvas, 1000, 260);
    const int TH = RecordingCanvas::LineHeight;
    // The signal spans 0 .. 25,004 ms, 0 .. 25 px: the middle is 12.
    auto at = [&](const std::string& s, int x, int y) {
        const auto* t = canvas.findText(s);
        ASSERT_NE(t, nullptr) << s;
        EXPECT_EQ(t->x, x) << s;
        EXPECT_EQ(t->y, y) << s;
        EXPECT_EQ(t->brush, colors::Black) << s;
    };
    at("1000 Hz/0°", 12 - 60 / 2, 130 + 79 - TH - 2);
    at("25ms/0dB", 12 - 48 / 2, 130 - 79 + 3);
    at("Sinus", 2, 132);
    at("975ms", 1000 - 30 - 2, 130 - TH - 2); // time left after the signal
    // Start, rise and fall all read 0ms: left above the baseline, after the
    // start and before the fall.
    const auto zeros = canvas.textsAt("0ms");
    ASSERT_EQ(zeros.size(), 3u);
    EXPECT_EQ(zeros[0].x, 2);
    EXPECT_EQ(zeros[0].y, 130 - TH - 2);
    EXPECT_EQ(zeros[1].x, 25 - 18);
    EXPECT_EQ(zeros[1].y, 130 - TH / 2);
    EXPECT_EQ(zeros[2].x, 0 + 4);
    EXPECT_EQ(zeros[2].y, 130 - TH / 2);
}

TEST_F(DisplayTest, ClearedCheckBoxesLeaveOnlyTheEnvelopes)
{
    DisplayInput in = globals(set);
    set[0] = sine();
    set[1] = sine();
    in.checks = noLabels();
    display.SinusBoxPaint(in, canvas, 1000, 260);
    EXPECT_TRUE(canvas.texts.empty());
    EXPECT_EQ(canvas.lines.size(), 2u * 8 + 2);

    // Each box hides only its own part of a combined label.
    RecordingCanvas c2;
    in.checks.FreqCheck = true;
    in.checks.AmplCheck = true;
    display.SinusBoxPaint(in, c2, 1000, 260);
    EXPECT_EQ(c2.textsAt("1000 Hz").size(), 2u);
    EXPECT_EQ(c2.textsAt("0dB").size(), 2u);
    EXPECT_EQ(c2.texts.size(), 4u);
}

TEST_F(DisplayTest, TypeLabelsSplitAtTheFirstBlank)
{
    DisplayInput in = globals(set);
    set[0] = sine();
    set[0].TabTyp = 1;
    set[1] = sine("1000");
    set[1].TabTyp = 2;
    set[1].TabPara = 2;
    in.checks = noLabels();
    in.checks.TypCheck = true;
    display.SinusBoxPaint(in, canvas, 1000, 260);
    const int TH = RecordingCanvas::LineHeight;
    ASSERT_EQ(canvas.texts.size(), 4u);
    EXPECT_EQ(canvas.texts[0].text, "Sinus");
    EXPECT_EQ(canvas.texts[0].y, 78 + 2);
    EXPECT_EQ(canvas.texts[1].text, "geeicht");
    EXPECT_EQ(canvas.texts[1].y, 78 + 2 + TH);
    EXPECT_EQ(canvas.texts[2].text, "AM");
    EXPECT_EQ(canvas.texts[3].text, "2000 Hz");
    EXPECT_EQ(canvas.texts[3].y, 164 + 2 + TH);
}

TEST(SignalTypeLabel, EveryCode)
{
    SignalDisplay d{TestValues{}};
    SinusRecord r = sine("440");
    const std::pair<int, const char*> cases[] = {
        {0, "Sinus"}, {1, "Sinus geeicht"}, {3, "Rechteck"}, {4, "Rauschen"}, {5, "Mute"}, {-1, ""}, {6, ""}};
    for (auto [code, text] : cases) {
        r.TabTyp = code;
        EXPECT_EQ(d.SignalTypeLabel(r), text) << code;
    }
    r.TabTyp = 2;
    r.TabPara = 2.5;
    EXPECT_EQ(d.SignalTypeLabel(r), "AM 1100 Hz");
    r.Freq = "1";
    r.TabPara = 2.5; // 2.5 Hz: ties to even
    EXPECT_EQ(d.SignalTypeLabel(r), "AM 2 Hz");
}

TEST_F(DisplayTest, SignalLengthIsReportedOnlyWhenNotZero)
{
    std::vector<double> shown;
    display.SignalLengthShown = [&](double l) { shown.push_back(l); };
    DisplayInput in = globals(set);
    display.SinusBoxPaint(in, canvas, 727, 260);
    in.Signaldauer = "0";
    display.SinusBoxPaint(in, canvas, 727, 260);
    EXPECT_EQ(display.TimeScale, 1.0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], 1000.0);
}

TEST_F(DisplayTest, ZeroLengthDrawsOnePixelPerMillisecond)
{
    DisplayInput in = globals(set);
    in.Signaldauer = "0";
    display.SinusBoxPaint(in, canvas, 727, 260);
    EXPECT_TRUE(canvas.hasLine(100, 0, 100, 260));
    EXPECT_TRUE(canvas.hasLine(900, 0, 900, 260));
}

TEST_F(DisplayTest, NegativeLengthPutsEverythingLeftOfTheBoxButBaselinesStillReachTheEdge)
{
    DisplayInput in = globals(set);
    in.Signaldauer = "kaputt"; // does not evaluate: -10 ms
    set[0] = sine();
    set[0].Start = "100";
    display.SinusBoxPaint(in, canvas, 1000, 260);
    EXPECT_DOUBLE_EQ(display.TimeScale, -100.0);
    EXPECT_TRUE(canvas.hasLine(-10000, 0, -10000, 260)); // trigger start
    EXPECT_TRUE(canvas.hasLine(0, 130, -10000, 130));
    EXPECT_TRUE(canvas.hasLine(-12500, 130, 1000, 130)); // 125,004 ms end at -12500,4 px
}

TEST_F(DisplayTest, HugeValuesAreClampedInsteadOfOverflowing)
{
    values.named["GROSS"] = 1e300;
    values.named["NAN"] = std::numeric_limits<double>::quiet_NaN();
    DisplayInput in = globals(set);
    in.Signaldauer = "0,000001";
    in.Triggerstart = "GROSS";
    in.Triggerstop = "NAN";
    set[0] = sine();
    set[0].Start = "GROSS";
    set[0].Ampl = "-1e300";
    display.SinusBoxPaint(in, canvas, 1000, 260);
    const int lim = static_cast<int>(SignalDisplay::PixelLimit);
    for (const auto& l : canvas.lines) {
        EXPECT_LE(std::abs(l.x1), lim);
        EXPECT_LE(std::abs(l.x2), lim);
        EXPECT_LE(std::abs(l.y1), lim);
        EXPECT_LE(std::abs(l.y2), lim);
    }
    EXPECT_TRUE(canvas.hasLine(lim, 0, lim, 260));
    EXPECT_TRUE(canvas.hasLine(0, 0, 0, 260)); // NaN lands at 0
    EXPECT_TRUE(canvas.hasLine(0, 130, lim, 130));
    // The start label reads the whole value, not a wrapped integer.
    ASSERT_FALSE(canvas.texts.empty());
    bool found = false;
    for (const auto& t : canvas.texts)
        found = found || (t.text.size() > 300 && t.text.starts_with("1") && t.text.ends_with("ms"));
    EXPECT_TRUE(found);
}

TEST(Pixel, RoundsTiesToEvenAndClamps)
{
    EXPECT_EQ(SignalDisplay::Pixel(2.5), 2);
    EXPECT_EQ(SignalDisplay::Pixel(3.5), 4);
    EXPECT_EQ(SignalDisplay::Pixel(-1e30), -static_cast<int>(SignalDisplay::PixelLimit));
    EXPECT_EQ(SignalDisplay::Pixel(std::numeric_limits<double>::infinity()),
              static_cast<int>(SignalDisplay::PixelLimit));
}

TEST(ParamLabels, NameAboveUnitRightRangeBelow)
{
    RecordingCanvas c;
    SignalDisplay::DrawParamLabels({168, 56, 65}, c, {"Anstiegszeit", "ms", "(0,002-250)"});
    ASSERT_EQ(c.texts.size(), 3u);
    EXPECT_EQ(c.texts[0].text, "Anstiegszeit");
    EXPECT_EQ(std::make_pair(c.texts[0].x, c.texts[0].y), std::make_pair(168, 38));
    EXPECT_EQ(c.texts[1].text, "ms");
    EXPECT_EQ(std::make_pair(c.texts[1].x, c.texts[1].y), std::make_pair(235, 59));
    EXPECT_EQ(c.texts[2].text, "(0,002-250)");
    EXPECT_EQ(std::make_pair(c.texts[2].x, c.texts[2].y), std::make_pair(168, 76));
}
