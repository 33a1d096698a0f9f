// SPDX-License-Identifier: GPL-3.0-or-later
// The preview measured as a scope would measure the device, and compared
// with what tonvera-cli render writes for the same project.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "cli/CliProcess.h"
#include "model/TableFill.h"
#include "preview/PreviewSignal.h"

namespace tonvera::test {
namespace {

using preview::Column;
using preview::PreviewDevice;
using preview::PreviewInput;
using preview::PreviewRun;

constexpr double TicksPerMs = 4000;

PreviewInput InputOf(const ProjectBuilder& p, int position = 1)
{
    PreviewInput in;
    in.state = p.state;
    in.globals = p.globals;
    in.position = position;
    return in;
}

SinusRecord& Sine(ProjectBuilder& p, int i, const std::string& freq)
{
    SinusRecord& r = p.signal(i, freq);
    FillSine(r);
    return r;
}

// The highest and lowest level of the columns whose span lies in [fromMs, toMs].
std::pair<double, double> Extremes(const std::vector<Column>& cols, double spanMs, double fromMs, double toMs)
{
    double lo = 0, hi = 0;
    for (std::size_t c = 0; c < cols.size(); ++c) {
        const double at = spanMs * double(c) / double(cols.size());
        if (at >= fromMs && at + spanMs / double(cols.size()) <= toMs) {
            lo = std::min(lo, cols[c].low);
            hi = std::max(hi, cols[c].high);
        }
    }
    return {lo, hi};
}

TEST(Preview, EnvelopeOfASineIsItsAmplitudeZoomedOutAndIn)
{
    ProjectBuilder p;
    SinusRecord& r = Sine(p, 0, "1000");
    r.Ampl = "6,0206"; // half of full scale
    r.Start = "10";
    r.RampUp = "1";
    r.Dach = "900";
    r.RampDown = "1";
    p.globals.Signaldauer = "1000";
    PreviewDevice device;
    const PreviewRun run = device.compute(InputOf(p));
    ASSERT_TRUE(run.messages.empty()) << run.messages.front();
    ASSERT_TRUE(run.valid);
    EXPECT_NEAR(run.seconds(), 1.0, 1e-9);
    EXPECT_FALSE(run.firstOverflow);

    // The table's full scale is 32500 of the converter's 32767.
    const double amplitude = 32500.0 / 32767.0 / 2;
    // The whole second on 1000 columns: each column samples a millisecond.
    const auto all = preview::ColumnsOf(run, 0, double(run.endTick), 1000);
    const auto [lo, hi] = Extremes(all, 1000, 12, 910);
    EXPECT_NEAR(hi, amplitude, amplitude * 0.005);
    EXPECT_NEAR(lo, -amplitude, amplitude * 0.005);
    // Silence before the start and after the fall.
    EXPECT_EQ(Extremes(all, 1000, 0, 10), std::make_pair(0.0, 0.0));
    EXPECT_EQ(Extremes(all, 1000, 913, 1000), std::make_pair(0.0, 0.0));

    // One period on 1000 columns: four ticks each, the waveform itself.
    const auto one = preview::ColumnsOf(run, 500 * TicksPerMs, 501 * TicksPerMs, 1000);
    const auto [loOne, hiOne] = Extremes(one, 1, 0, 1);
    EXPECT_NEAR(hiOne, amplitude, amplitude * 0.001);
    EXPECT_NEAR(loOne, -amplitude, amplitude * 0.001);
    // A quarter period after a rising zero crossing is the top.
    const auto rising = std::find_if(one.begin() + 1, one.end(), [](const Column& c) { return c.low >= 0; });
    ASSERT_NE(rising, one.end());
    const auto top =
        std::max_element(one.begin(), one.end(), [](const Column& a, const Column& b) { return a.high < b.high; });
    EXPECT_NEAR(double(top - rising), 250, 3);
}

class PreviewAgainstRender : public ::testing::Test {
protected:
    TempDir dir;

    Wav render(const ProjectBuilder& p, const std::string& rate, int expectedCode)
    {
        p.write(dir.path("p.tva"));
        const CliResult r = RunCli({"render", dir.path("p.tva"), dir.path("out.wav"), "--rate", rate});
        EXPECT_EQ(r.code, expectedCode) << r.out << r.err;
        return Wav::read(dir.path("out.wav"));
    }
};

TEST_F(PreviewAgainstRender, OverflowMarksBeginAtTheFirstSampleOutOfRange)
{
    // Two full-scale levels: the second one's rise takes the sum out of the
    // converter's range some 40 us after it begins, and it stays out.
    ProjectBuilder p;
    for (int i : {0, 1}) {
        SinusRecord& r = p.signal(i, "1000");
        std::fill(r.Table.begin(), r.Table.end(), FullScale);
        r.Dach = "10";
        r.RampUp = "1";
    }
    p.state.SinusArray[1].Start = "10";
    p.state.SinusArray[1].RampUp = "5";
    p.globals.Signaldauer = "20";

    PreviewDevice device;
    const PreviewRun run = device.compute(InputOf(p));
    ASSERT_TRUE(run.firstOverflow);
    const std::int64_t first = *run.firstOverflow;

    const Wav w = render(p, "1000000", 4);
    const auto out = std::find_if(w.output.begin(), w.output.end(), [](double v) { return std::abs(v) >= 32767; });
    ASSERT_NE(out, w.output.end());
    // Render samples every fourth tick: its first clipped sample is the first
    // one at or after the first tick out of range.
    const std::int64_t renderTick = 4 * (out - w.output.begin());
    EXPECT_LE(first, renderTick);
    EXPECT_GT(first, renderTick - 4);

    // 20 ms on 1000 columns of 80 ticks: red from the column of that tick on.
    const auto cols = preview::ColumnsOf(run, 0, double(run.endTick), 1000);
    const auto red = std::find_if(cols.begin(), cols.end(), [](const Column& c) { return c.overflow; });
    EXPECT_EQ(red - cols.begin(), first / 80);
    EXPECT_TRUE(std::all_of(red, cols.begin() + 500, [](const Column& c) { return c.overflow; }));
    // Zoomed out so far that a column samples only part of its ticks, the
    // column of the first overflow is red all the same.
    const auto coarse = preview::ColumnsOf(run, 0, double(run.endTick), 7);
    EXPECT_FALSE(coarse[std::size_t(first * 7 / run.endTick) - 1].overflow);
    EXPECT_TRUE(coarse[std::size_t(first * 7 / run.endTick)].overflow);
}

TEST_F(PreviewAgainstRender, WavExportIsRendersFile)
{
    ProjectBuilder p;
    Sine(p, 0, "440").Dach = "30";
    Sine(p, 1, "1500").Start = "5";
    p.state.SinusArray[0].Ampl = "6";
    p.state.SinusArray[1].Ampl = "10";
    p.globals.Signaldauer = "50";
    p.globals.Triggerstart = "10";
    p.globals.Triggerstop = "20";
    p.globals.EndDamp = "1,5";
    PreviewDevice device;
    const PreviewRun run = device.compute(InputOf(p));
    render(p, "48000", 0);
    EXPECT_EQ(preview::WavOf(run, 48000), ReadAll(dir.path("out.wav")));
}

// The phase in degrees of a `hz` sine in `value(t)`, t in seconds after
// `fromS`, over five periods from there.
template <class Value>
double PhaseAt(Value value, double fromS, double hz, double rate)
{
    double inPhase = 0, quadrature = 0;
    const int n = static_cast<int>(std::lround(5 / hz * rate));
    for (int i = 0; i < n; ++i) {
        const double w = 2 * std::numbers::pi * hz * i / rate;
        const double x = value(fromS + i / rate);
        inPhase += x * std::sin(w);
        quadrature += x * std::cos(w);
    }
    const double deg = std::atan2(quadrature, inPhase) * 180 / std::numbers::pi;
    return deg < 0 ? deg + 360 : deg;
}

TEST_F(PreviewAgainstRender, EachToneBeginsAtItsTypedPhase)
{
    // Two tones of one frequency: the second begins 50 ms into the run, the
    // first has ended by then; both at the phase typed for them.
    ProjectBuilder p;
    for (int i : {0, 1}) {
        SinusRecord& r = Sine(p, i, "333");
        r.RampUp = "0";
        r.RampDown = "0";
    }
    SinusRecord& early = p.state.SinusArray[0];
    early.Phase = "110";
    early.Start = "5";
    early.Dach = "40";
    SinusRecord& late = p.state.SinusArray[1];
    late.Phase = "200";
    late.Start = "50";
    late.Dach = "40";
    p.globals.Signaldauer = "100";

    PreviewDevice device;
    const PreviewRun run = device.compute(InputOf(p));
    ASSERT_TRUE(run.valid);
    const auto shown = [&](double s) { return run.outputAt(std::llround(s * 4e6)); };
    const Wav w = render(p, "1000000", 0);
    const auto rendered = [&](double s) { return w.output.at(static_cast<std::size_t>(std::llround(s * 1e6))); };
    // The device's frequency and phase steps, and the 4 us of a sample, are
    // below a degree or two.
    EXPECT_NEAR(PhaseAt(shown, 0.005, 333, 1e6), 110, 2);
    EXPECT_NEAR(PhaseAt(shown, 0.050, 333, 1e6), 200, 2);
    EXPECT_NEAR(PhaseAt(rendered, 0.005, 333, 1e6), 110, 2);
    EXPECT_NEAR(PhaseAt(rendered, 0.050, 333, 1e6), 200, 2);
}

TEST(Preview, SpectrumPeaksOfASineAndOfAnAmSignal)
{
    ProjectBuilder p;
    Sine(p, 0, "1000").Dach = "200";
    p.globals.Signaldauer = "300";
    PreviewDevice device;
    PreviewRun run = device.compute(InputOf(p));
    // 150 ms of the plateau.
    auto s = preview::SpectrumOf(run, 20 * TicksPerMs, 170 * TicksPerMs);
    ASSERT_FALSE(s.peaks.empty());
    EXPECT_NEAR(s.peaks[0].hz, 1000, s.binHz() / 10);
    EXPECT_NEAR(s.peaks[0].db, 20 * std::log10(32500.0 / 32767.0), 0.2);

    // Ten carrier periods in one period of a 100 Hz modulation: the carrier
    // at 1000 Hz and its side bands 100 Hz either side, 6 dB below it. The
    // device plays 100 Hz as 99,897 Hz (its step is 0,238 Hz), the carrier
    // ten times that.
    SinusRecord& am = p.signal(0, "100");
    am.TabTyp = TypeAM;
    am.TabPara = 10;
    FillAM(am, 10);
    am.Dach = "200";
    run = device.compute(InputOf(p));
    s = preview::SpectrumOf(run, 20 * TicksPerMs, 170 * TicksPerMs);
    ASSERT_GE(s.peaks.size(), 3u);
    const double carrier = s.peaks[0].hz;
    EXPECT_NEAR(carrier, 1000, 1.5);
    std::vector<double> sides{s.peaks[1].hz, s.peaks[2].hz};
    std::sort(sides.begin(), sides.end());
    EXPECT_NEAR(carrier - sides[0], 100, 0.3);
    EXPECT_NEAR(sides[1] - carrier, 100, 0.3);
    EXPECT_NEAR(s.peaks[0].db - s.peaks[1].db, 6.02, 0.3);
    EXPECT_NEAR(s.peaks[0].db - s.peaks[2].db, 6.02, 0.3);
}

TEST(Preview, TextsThatDoNotEvaluateAreMessagesAndThePositionIsKeptInRange)
{
    ProjectBuilder p;
    Sine(p, 0, "F");
    p.variable(0, {"F", "500", "700"});
    PreviewDevice device;
    PreviewRun run = device.compute(InputOf(p, 5));
    EXPECT_TRUE(run.valid);
    EXPECT_EQ(run.position, 2);
    EXPECT_EQ(run.positionCount, 2);
    EXPECT_EQ(run.run.regs.channels[0].frequency, device.compute(InputOf(p, 2)).run.regs.channels[0].frequency);
    EXPECT_NE(run.run.regs.channels[0].frequency, device.compute(InputOf(p, 1)).run.regs.channels[0].frequency);

    p.globals.Signaldauer = "lang";
    run = device.compute(InputOf(p));
    EXPECT_FALSE(run.valid);
    ASSERT_FALSE(run.messages.empty());
    EXPECT_EQ(run.messages[0], "LANG ist kein gültiger Wert!");
}

} // namespace
} // namespace tonvera::test
