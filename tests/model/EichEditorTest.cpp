// SPDX-License-Identifier: GPL-3.0-or-later
// The calibration editor: line format, sorted list, the two queries of
// "Punkt hinzufügen" with their cancel rules, deleting, the 501-point limit,
// the plot on a recording canvas, and the table handed back on close.

#include <gtest/gtest.h>

#include "model/EichEditor.h"
#include "model/Errors.h"
#include "support/EichPoints.h"
#include "support/RecordingCanvas.h"
#include "support/RecordingDialogs.h"

namespace tonvera {
namespace {

using test::EichTableOf;

using test::RecordingCanvas;
using test::RecordingDialogs;
using Texts = std::vector<std::string>;

constexpr Color Panel{212, 208, 200};

class EichEdit : public ::testing::Test {
protected:
    RecordingDialogs dialogs;
    EichEditor editor{dialogs};
    int redraws = 0;

    void SetUp() override
    {
        editor.Redraw = [this] { ++redraws; };
    }

    // The plot as the window's 280 x 228 box draws it.
    RecordingCanvas plot()
    {
        RecordingCanvas c;
        editor.DrawEichPlot(c, 280, 228, Panel);
        return c;
    }

    void addPoint(const std::string& f, const std::string& d)
    {
        dialogs.queryAnswers.push_back(f);
        dialogs.queryAnswers.push_back(d);
        editor.Button1Click();
    }
};

TEST(EichLine, FixedFieldsSignPositionAndPoint)
{
    EXPECT_EQ(FormatEichLine(1000, 4.7), "   1000 Hz/ + 4.70 dB");
    EXPECT_EQ(FormatEichLine(250, -12.5), "    250 Hz/  -12.50 dB");
    EXPECT_EQ(FormatEichLine(100, -4.7), "    100 Hz/  -4.70 dB");
    EXPECT_EQ(FormatEichLine(0, 0), "      0 Hz/ + 0.00 dB");
    // Wider than the field: nothing is cut.
    EXPECT_EQ(FormatEichLine(12345678, 123.456), "12345678 Hz/ +123.46 dB");
}

TEST_F(EichEdit, AddsRoundedPointsInFrequencyOrder)
{
    addPoint("5000", "1");
    addPoint("100", "-4.7");
    addPoint("1000.4", "1.234");
    EXPECT_EQ(editor.Texts(), (Texts{"    100 Hz/  -4.70 dB", "   1000 Hz/ + 1.23 dB", "   5000 Hz/ + 1.00 dB"}));
    EXPECT_EQ(redraws, 3);

    editor.ListToTable();
    const EichTable& t = editor.Table();
    ASSERT_EQ(t.count, 3);
    EXPECT_EQ(t.frequencies[0], 100);
    EXPECT_EQ(t.corrections[0], -4.7);
    EXPECT_EQ(t.frequencies[1], 1000);
    EXPECT_EQ(t.corrections[1], 1.23);
    EXPECT_EQ(t.frequencies[2], 5000);
    EXPECT_EQ(t.corrections[2], 1.0);
}

TEST_F(EichEdit, QueriesRepeatOnABadEntry)
{
    dialogs.queryAnswers = {"abc", "", "1,5", "2e3", "x", "-0.5"};
    editor.Button1Click();
    ASSERT_EQ(dialogs.inputQueries.size(), 6u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(dialogs.inputQueries[i].caption, "Frequenz");
        EXPECT_EQ(dialogs.inputQueries[i].prompt, "in Hz: ");
        EXPECT_EQ(dialogs.inputQueries[i].defaultText, "");
    }
    EXPECT_EQ(dialogs.inputQueries[4].caption, "Dämpfungsdelta");
    EXPECT_EQ(dialogs.inputQueries[4].prompt, "in dB, z.B. 4.7 wenn Soll=10 und Ist=5.3: ");
    EXPECT_EQ(dialogs.inputQueries[5].defaultText, "");
    EXPECT_EQ(editor.Texts(), Texts{"   2000 Hz/  -0.50 dB"});
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(EichEdit, CancelRules)
{
    // Cancelling the frequency: nothing added, nothing drawn.
    dialogs.queryAnswers = {std::nullopt};
    editor.Button1Click();
    EXPECT_TRUE(editor.Lines().empty());
    EXPECT_EQ(redraws, 0);
    EXPECT_EQ(dialogs.inputQueries.size(), 1u);

    // Cancelling the correction: nothing added, but drawn again.
    dialogs.queryAnswers = {"1000", std::nullopt};
    editor.Button1Click();
    EXPECT_TRUE(editor.Lines().empty());
    EXPECT_EQ(redraws, 1);
}

TEST_F(EichEdit, DeletesTheSelectedLine)
{
    addPoint("100", "1");
    addPoint("200", "2");
    addPoint("300", "3");
    redraws = 0;
    editor.Button2Click(); // nothing selected
    EXPECT_EQ(editor.Lines().size(), 3u);
    editor.Select(1);
    editor.Button2Click();
    EXPECT_EQ(editor.Texts(), (Texts{"    100 Hz/ + 1.00 dB", "    300 Hz/ + 3.00 dB"}));
    EXPECT_EQ(redraws, 2);
    EXPECT_EQ(editor.SelectedIndex(), -1);
    EXPECT_THROW(editor.Select(2), ListIndexError);
}

TEST_F(EichEdit, RefusesThe502ndPoint)
{
    EichTable full;
    full.count = EichTable::MaxPoints;
    for (int i = 0; i < full.count; ++i)
        full.frequencies[static_cast<std::size_t>(i)] = 10.0 * (i + 1);
    EichTable handedBack;
    editor.ShowModal = [&] {
        addPoint("7", "1");
        EXPECT_TRUE(dialogs.inputQueries.empty());
        EXPECT_EQ(dialogs.messages,
                  (std::vector<RecordingDialogs::Message>{{"Maximal 501 Punkte möglich!", "Achtung"}}));
        // One point less and there is room again.
        editor.Select(0);
        editor.Button2Click();
        addPoint("7", "1");
    };
    editor.EditEichTable(full);
    ASSERT_EQ(full.count, EichTable::MaxPoints);
    EXPECT_EQ(full.frequencies[0], 7);
    EXPECT_EQ(full.frequencies[1], 20);
}

TEST_F(EichEdit, EditingHandsTheListBackAsATable)
{
    EichTable t = EichTableOf({{5000, 2.345}, {100.6, -1}});
    Texts shown;
    editor.ShowModal = [&] { shown = editor.Texts(); };
    editor.EditEichTable(t);
    EXPECT_EQ(shown, (Texts{"    101 Hz/  -1.00 dB", "   5000 Hz/ + 2.35 dB"}));
    ASSERT_EQ(t.count, 2);
    EXPECT_EQ(t.frequencies[0], 101);
    EXPECT_EQ(t.corrections[0], -1);
    EXPECT_EQ(t.frequencies[1], 5000);
    EXPECT_EQ(t.corrections[1], 2.35);
}

TEST_F(EichEdit, PlotOfTwoPoints)
{
    addPoint("1000", "4");
    addPoint("100", "2");
    RecordingCanvas c = plot();

    ASSERT_EQ(c.rects.size(), 1u);
    EXPECT_EQ(c.rects[0].x2, 280);
    EXPECT_EQ(c.rects[0].y2, 228);
    EXPECT_EQ(c.rects[0].pen, colors::Black);
    EXPECT_EQ(c.rects[0].brush, Panel);

    for (auto [x1, y1, x2, y2] : std::vector<std::array<int, 4>>{{60, 211, 60, 15},
                                                                 {65, 20, 60, 15},
                                                                 {55, 20, 60, 15},
                                                                 {57, 70, 63, 70},
                                                                 {57, 208, 260, 208},
                                                                 {260, 208, 255, 213},
                                                                 {260, 208, 255, 203},
                                                                 {240, 205, 240, 211}})
        EXPECT_TRUE(c.hasLine(x1, y1, x2, y2)) << x1 << "," << y1 << " " << x2 << "," << y2;

    // Frequencies 100..1000, corrections 1..5 after the margins.
    ASSERT_NE(c.findText("100"), nullptr);
    EXPECT_EQ(c.findText("100")->x, 51);
    EXPECT_EQ(c.findText("100")->y, 213);
    EXPECT_EQ(c.findText("1000")->x, 228);
    EXPECT_EQ(c.findText("1")->x, 49);
    EXPECT_EQ(c.findText("1")->y, 202);
    EXPECT_EQ(c.findText("5")->y, 64);
    EXPECT_EQ(c.findText("5")->font, colors::Black);

    // y = 208 - rnd(34.5) and 208 - rnd(103.5): halves go to even.
    ASSERT_EQ(c.pixels.size(), 2u);
    EXPECT_EQ(c.pixels[0].x, 60);
    EXPECT_EQ(c.pixels[0].y, 174);
    EXPECT_EQ(c.pixels[1].x, 240);
    EXPECT_EQ(c.pixels[1].y, 104);
    for (const auto& p : c.pixels)
        EXPECT_EQ(p.color, colors::Red);
    const auto* curve = c.findLine(60, 174, 240, 104);
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(curve->pen, colors::Black);
    EXPECT_EQ(c.lines.size(), 9u);
}

TEST_F(EichEdit, NegativeCorrectionsTopTheScaleAtOne)
{
    addPoint("100", "-3");
    addPoint("200", "-5");
    RecordingCanvas c = plot();
    EXPECT_NE(c.findText("1"), nullptr);
    EXPECT_NE(c.findText("-6"), nullptr);
}

TEST_F(EichEdit, OnePointDrawsNothing)
{
    addPoint("100", "2");
    RecordingCanvas c = plot();
    EXPECT_TRUE(c.rects.empty());
    EXPECT_TRUE(c.lines.empty());
    EXPECT_TRUE(c.pixels.empty());
    EXPECT_TRUE(c.texts.empty());
}

TEST_F(EichEdit, PointsOfOneFrequencyStandOnTheCorrectionAxis)
{
    addPoint("500", "1");
    addPoint("500", "3");
    RecordingCanvas c = plot();
    ASSERT_EQ(c.pixels.size(), 2u);
    EXPECT_EQ(c.pixels[0].x, 60);
    EXPECT_EQ(c.pixels[1].x, 60);
    EXPECT_EQ(c.pixels[0].y, 174);
    EXPECT_EQ(c.pixels[1].y, 104);
    EXPECT_EQ(c.textsAt("500").size(), 2u);
}

} // namespace
} // namespace tonvera
