// SPDX-License-Identifier: GPL-3.0-or-later
// The simulation: positions and the restored position, the total duration
// and its label, the envelope, the plot on a recording canvas, and how texts
// that do not evaluate are reported.

#include <gtest/gtest.h>

#include <algorithm>

#include "model/Errors.h"
#include "model/MainForm.h"
#include "model/Simulation.h"
#include "support/FormFixture.h"
#include "support/RecordingCanvas.h"
#include "support/RecordingDialogs.h"

namespace tonvera {
namespace {

using test::FakeView;
using test::RecordingCanvas;
using test::RecordingDialogs;
using Texts = std::vector<std::string>;

class Sim : public test::FormFixture {
protected:
    Simulation sim{form.state().VariPos, dialogs, ','};
    int shown = 0;

    void SetUp() override
    {
        sim.ShowModal = [this] { ++shown; };
        form.state().VariTable.slot(0) = {"L", "1000", "2000", "1500"};
        view.edit(EditField::Signaldauer) = "L";
        view.edit(EditField::Triggerstart) = "100";
        view.edit(EditField::Triggerstop) = "900";
    }

    SinusRecord& useSignal(int slot, const std::string& start, const std::string& up, const std::string& dach,
                           const std::string& down, const std::string& ampl = "0")
    {
        SinusRecord& r = form.state().SinusArray[static_cast<std::size_t>(slot)];
        r.Used = true;
        r.Start = start;
        r.RampUp = up;
        r.Dach = dach;
        r.RampDown = down;
        r.Ampl = ampl;
        return r;
    }

    static std::vector<int> linesOf(const RecordingCanvas& c, Color color)
    {
        std::vector<int> xs;
        for (const auto& l : c.lines)
            if (l.pen == color) {
                EXPECT_EQ(l.x1, l.x2);
                EXPECT_EQ(l.y1, 0);
                xs.push_back(l.x1);
            }
        return xs;
    }
    static bool hasPixel(const RecordingCanvas& c, int x, int y)
    {
        return std::any_of(c.pixels.begin(), c.pixels.end(),
                           [&](const auto& p) { return p.x == x && p.y == y && p.color == colors::Yellow; });
    }
};

TEST_F(Sim, WithoutVariablesThereIsNothingToSimulate)
{
    form.state().VariTable.Clear();
    sim.Button7Click(form);
    EXPECT_EQ(dialogs.messages, (std::vector<RecordingDialogs::Message>{
                                    {"Simulation nur sinnvoll, wenn Variablen verwendet werden!", "Achtung"}}));
    EXPECT_EQ(shown, 0);
}

TEST_F(Sim, ThreePositionsTotalAndPlot)
{
    useSignal(0, "100", "50", "200", "50");
    form.state().VariPos = 2;
    std::int32_t posWhileShown = -1;
    sim.ShowModal = [&] {
        ++shown;
        posWhileShown = form.state().VariPos;
    };
    sim.Button7Click(form);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(posWhileShown, 2);
    EXPECT_EQ(form.state().VariPos, 2);
    EXPECT_EQ(sim.TotalDuration(), 4500);
    EXPECT_EQ(sim.Label1Caption(), "Dauer des Gesamtsignals: 4,5 Sekunden");
    EXPECT_TRUE(dialogs.messages.empty());

    RecordingCanvas c;
    sim.SimPaintPaint(c, 900, 200);
    EXPECT_EQ(form.state().VariPos, 2);
    ASSERT_FALSE(c.rects.empty());
    EXPECT_EQ(c.rects[0].x2, 900);
    EXPECT_EQ(c.rects[0].y2, 200);
    EXPECT_EQ(c.rects[0].pen, colors::Red);
    EXPECT_EQ(c.rects[0].brush, colors::Black);

    EXPECT_EQ(linesOf(c, colors::White), (std::vector<int>{200, 600})); // 2/9 and 2/3
    EXPECT_EQ(linesOf(c, colors::Purple), (std::vector<int>{180, 380, 780}));
    EXPECT_EQ(linesOf(c, colors::Blue), (std::vector<int>{20, 220, 620}));
    for (const auto& l : c.lines)
        EXPECT_EQ(l.y2, 200);

    // Ten samples per column, two mirrored pixels each.
    EXPECT_EQ(c.pixels.size(), 2u * 9000u);
    // Silence at the start, full level on the plateau of each position.
    EXPECT_TRUE(hasPixel(c, 0, 100));
    EXPECT_TRUE(hasPixel(c, 45, 150));
    EXPECT_TRUE(hasPixel(c, 45, 50));
    EXPECT_TRUE(hasPixel(c, 245, 150));
    // Half way up the ramp of the third position (3000 + 125 ms).
    EXPECT_TRUE(hasPixel(c, 625, 125));
    EXPECT_TRUE(hasPixel(c, 625, 75));
    EXPECT_TRUE(sim.PaintProblems().empty());
}

TEST_F(Sim, LabelUsesTheSeparatorPassedIn)
{
    sim.SetSeparator('.');
    sim.Button7Click(form);
    EXPECT_EQ(sim.Label1Caption(), "Dauer des Gesamtsignals: 4.5 Sekunden");
    // Only very long and very short totals in the exponent form.
    form.state().VariTable.slot(0) = {"L", "10000000000", "10000000000", "12345678000"};
    sim.Button7Click(form);
    EXPECT_EQ(sim.Label1Caption(), "Dauer des Gesamtsignals: 3.23457E+0007 Sekunden");
    form.state().VariTable.slot(0) = {"L", "0,000001"};
    sim.Button7Click(form);
    EXPECT_EQ(sim.Label1Caption(), "Dauer des Gesamtsignals: 1E-0009 Sekunden");
}

TEST_F(Sim, AFirstVariableWithoutValuesGivesAnEmptyRun)
{
    form.state().VariTable.slot(0) = {"L"};
    sim.Button7Click(form);
    EXPECT_EQ(sim.Label1Caption(), "Dauer des Gesamtsignals: 0 Sekunden");
    RecordingCanvas c;
    sim.SimPaintPaint(c, 900, 200);
    EXPECT_EQ(c.rects.size(), 1u);
    EXPECT_TRUE(c.lines.empty());
    EXPECT_TRUE(c.pixels.empty());
}

TEST_F(Sim, NegativeTotalOrNoWidthDrawTheEmptyBox)
{
    form.state().VariTable.slot(0) = {"L", "500", "-800"};
    useSignal(0, "0", "10", "100", "10");
    sim.Button7Click(form);
    EXPECT_EQ(sim.TotalDuration(), -300);
    RecordingCanvas c;
    sim.SimPaintPaint(c, 900, 200);
    EXPECT_EQ(c.rects.size(), 1u);
    EXPECT_TRUE(c.lines.empty());
    EXPECT_TRUE(c.pixels.empty());

    form.state().VariTable.slot(0) = {"L", "500"};
    sim.Button7Click(form);
    RecordingCanvas narrow;
    sim.SimPaintPaint(narrow, 0, 200);
    EXPECT_EQ(narrow.rects.size(), 1u);
    EXPECT_TRUE(narrow.pixels.empty());
}

TEST_F(Sim, APositionOfAbsurdLengthDoesNotStallThePlot)
{
    form.state().VariTable.slot(0) = {"L", "1000000000000", "-999999999999"};
    sim.Button7Click(form);
    EXPECT_EQ(sim.TotalDuration(), 1);
    RecordingCanvas c;
    sim.SimPaintPaint(c, 100, 50);
    EXPECT_LE(c.pixels.size(), 2u * 10u * 104u);
    EXPECT_EQ(form.state().VariPos, 1);

    // -2^66 then 2^66 + 2^14: the second position starts so far left that
    // counting samples up from there no longer changes the number.
    form.state().VariTable.slot(0) = {"L", "-73786976294838206464", "73786976294838222848"};
    sim.Button7Click(form);
    EXPECT_EQ(sim.TotalDuration(), 16384);
    RecordingCanvas far;
    sim.SimPaintPaint(far, 100, 50);
    EXPECT_LE(far.pixels.size(), 2u * (10u * 100u + 40u));
}

TEST_F(Sim, EnvelopeOfOneSignal)
{
    sim.Simulate(form.state().SinusArray, form.state().VariTable, "L", "0", "0");
    SinusRecord r = useSignal(0, "100", "50", "200", "50");
    const std::vector<std::pair<double, double>> expected{{0, 0},     {100, 0}, {125, 0.5}, {150, 1}, {350, 1},
                                                          {375, 0.5}, {400, 0}, {401, 0},   {1000, 0}};
    for (auto [t, e] : expected)
        EXPECT_DOUBLE_EQ(sim.Envelope(r, t), e) << t;

    r.Ampl = "9";
    EXPECT_DOUBLE_EQ(sim.Envelope(r, 200), 0.1);
    // At -1 dB the level factor has no value: the signal adds nothing.
    r.Ampl = "0-1";
    EXPECT_EQ(sim.Envelope(r, 200), 0.0);
    // Ramps of length 0 are skipped.
    r.Ampl = "0";
    r.RampUp = "0";
    r.RampDown = "0";
    EXPECT_EQ(sim.Envelope(r, 100.5), 1.0);
    EXPECT_EQ(sim.Envelope(r, 300), 1.0);
    EXPECT_EQ(sim.Envelope(r, 300.5), 0.0);
    r.Used = false;
    EXPECT_EQ(sim.Envelope(r, 200), 0.0);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Sim, EnvelopeReadsVariablesAtThePosition)
{
    form.state().VariTable.slot(1) = {"S", "0", "1000"};
    form.state().VariTable.slot(0) = {"L", "2000", "2000"};
    useSignal(0, "S", "0", "500", "0");
    sim.Button7Click(form);
    RecordingCanvas c;
    sim.SimPaintPaint(c, 400, 100);
    // Position 1 sounds at 0..500 ms, position 2 at 2000 + 1000..1500 ms.
    EXPECT_TRUE(hasPixel(c, 50, 75));
    EXPECT_TRUE(hasPixel(c, 150, 50));
    EXPECT_TRUE(hasPixel(c, 250, 50));
    EXPECT_TRUE(hasPixel(c, 300, 75));
}

TEST_F(Sim, AnUnusedRecordContributesNothing)
{
    SinusRecord& r = useSignal(3, "0", "1", "5000", "1");
    r.Used = false;
    r.Ampl = "nix";
    sim.Button7Click(form);
    RecordingCanvas c;
    sim.SimPaintPaint(c, 900, 200);
    for (const auto& p : c.pixels)
        EXPECT_EQ(p.y, 100);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Sim, ABadTextIsReportedOncePerSimulationAndNeverByThePaint)
{
    useSignal(0, "100", "50", "200", "50", "xyz");
    sim.Button7Click(form);
    EXPECT_EQ(dialogs.texts(), Texts{"XYZ ist kein gültiger Wert!"});
    EXPECT_EQ(shown, 1);

    dialogs.clear();
    RecordingCanvas c;
    sim.SimPaintPaint(c, 900, 200);
    sim.SimPaintPaint(c, 900, 200);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(sim.PaintProblems(), Texts{"XYZ ist kein gültiger Wert!"});
}

TEST_F(Sim, AVariableTooShortEndsThePlotAtThatPosition)
{
    form.state().VariTable.slot(1) = {"S", "0", "10"};
    useSignal(0, "S", "50", "200", "50");
    form.state().VariPos = 3;
    sim.Button7Click(form);
    EXPECT_EQ(dialogs.errors, Texts{"Listenindex überschreitet das Maximum (3)"});
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(form.state().VariPos, 3);

    dialogs.clear();
    RecordingCanvas c;
    sim.SimPaintPaint(c, 900, 200);
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(sim.PaintProblems(), Texts{"Listenindex überschreitet das Maximum (3)"});
    // Positions 1 and 2 are drawn; the third is not even begun.
    EXPECT_EQ(linesOf(c, colors::White), (std::vector<int>{200}));
    EXPECT_EQ(linesOf(c, colors::Blue).size(), 2u);
    EXPECT_EQ(form.state().VariPos, 3);
}

TEST_F(Sim, ALengthThatAbortsEndsTheCommandWithThePositionRestored)
{
    form.state().VariTable.slot(1) = {"D", "1000"};
    view.edit(EditField::Signaldauer) = "D";
    form.state().VariPos = 2;
    EXPECT_THROW(sim.Button7Click(form), ListIndexError);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(form.state().VariPos, 2);
}

} // namespace
} // namespace tonvera
