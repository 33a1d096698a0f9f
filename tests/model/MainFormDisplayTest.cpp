// SPDX-License-Identifier: GPL-3.0-or-later
// The paint handlers on a MainForm: values at the current variable position,
// no message box from a paint, the length hook, the labels beside the edits.

#include <gtest/gtest.h>

#include "model/Errors.h"
#include "model/MainForm.h"
#include "model/SignalDisplay.h"
#include "model/SignalEditing.h"
#include "support/FormFixture.h"
#include "support/RecordingCanvas.h"
#include "support/RecordingDialogs.h"

using namespace tonvera;
using tonvera::test::FakeView;
using tonvera::test::RecordingCanvas;
using tonvera::test::RecordingDialogs;

namespace {

struct MainDisplayTest : test::FormFixture {
    MainDisplay display{form};
    RecordingCanvas canvas;
};

} // namespace

TEST_F(MainDisplayTest, DrawsTheFormsSignalsAtTheCurrentPosition)
{
    edit.Button1Click();
    form.state().VariTable.slot(0) = {"T", "100", "200"};
    form.Record(0).Start = "T";
    form.state().VariPos = 2;
    display.SinusBoxPaint(canvas, 1000, 260);
    EXPECT_DOUBLE_EQ(form.state().TimeScale, 1.0);
    EXPECT_TRUE(canvas.hasLine(0, 130, 200, 130));
    EXPECT_NE(canvas.findText("200ms"), nullptr);
    EXPECT_EQ(canvas.findLine(0, 130, 200, 130)->pen, colors::Yellow);
    EXPECT_EQ(view.status[StatusPanelStatus], "Status");
}

TEST_F(MainDisplayTest, ClearedCheckBoxOfTheViewHidesItsLabel)
{
    edit.Button1Click();
    view.check(CheckBox::TypCheck) = false;
    display.SinusBoxPaint(canvas, 1000, 260);
    EXPECT_EQ(canvas.findText("Sinus"), nullptr);
    EXPECT_NE(canvas.findText("0ms"), nullptr);
}

TEST_F(MainDisplayTest, TextsThatDoNotEvaluateAreDrawnAsMinusTenWithoutAMessageBox)
{
    edit.Button1Click();
    form.Record(0).Start = "weg"; // e.g. a variable that was removed
    form.Record(0).Phase = "1.5"; // a conversion that aborts
    display.SinusBoxPaint(canvas, 1000, 260);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_NE(canvas.findText("-10ms"), nullptr);
    EXPECT_NE(canvas.findText("1 Hz/-10°"), nullptr);
    // One message per paint: the first one.
    EXPECT_EQ(view.status[StatusPanelStatus], "WEG ist kein gültiger Wert!");

    form.Record(0).Start = "0";
    display.SinusBoxPaint(canvas, 1000, 260);
    EXPECT_EQ(view.status[StatusPanelStatus], "'1.5' ist kein gültiger Gleitkommawert");
    form.Record(0).Phase = "0";
    display.SinusBoxPaint(canvas, 1000, 260);
    EXPECT_EQ(view.status[StatusPanelStatus], "Status"); // given back once clean
}

TEST_F(MainDisplayTest, TheLengthHookGetsTheLengthAndItsAbortGoesToTheStatus)
{
    std::vector<double> sent;
    display.SignalLengthShown = [&](double l) {
        sent.push_back(l);
        if (l < 0)
            throw RangeError();
    };
    display.SinusBoxPaint(canvas, 727, 260);
    view.edit(EditField::Signaldauer) = "-5"; // does not evaluate: -10
    display.SinusBoxPaint(canvas, 727, 260);
    EXPECT_EQ(sent, (std::vector<double>{1000, -10}));
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(view.status[StatusPanelStatus], " ist kein gültiger Wert!");
}

TEST_F(MainDisplayTest, ParameterLabelsBesideTheEdits)
{
    const std::array<EditPlace, 7> local{
        {{296, 24, 65}, {296, 96, 49}, {456, 96, 65}, {32, 56, 65}, {456, 24, 65}, {168, 56, 65}, {608, 56, 65}}};
    MainDisplay::ParInfoPaint(canvas, local);
    ASSERT_EQ(canvas.texts.size(), 21u);
    EXPECT_EQ(canvas.texts[0].text, "Frequenz");
    EXPECT_EQ(canvas.texts[2].text, "(1-100000)");
    EXPECT_EQ(canvas.texts[4].text, "Grad");
    EXPECT_EQ(canvas.texts[4].x, 296 + 49 + 2);
    const auto* ramp = canvas.findText("(0,002-250)");
    ASSERT_NE(ramp, nullptr);
    EXPECT_EQ(std::make_pair(ramp->x, ramp->y), std::make_pair(168, 76));
    EXPECT_EQ(canvas.textsAt("(0,002-250)").size(), 2u);
    EXPECT_NE(canvas.findText("Dachzeit"), nullptr);
    EXPECT_NE(canvas.findText("(25-150000)"), nullptr);

    RecordingCanvas top;
    const std::array<EditPlace, 4> global{{{569, 22, 49}, {241, 22, 49}, {353, 22, 49}, {465, 22, 49}}};
    MainDisplay::IconPaintPaint(top, global);
    ASSERT_EQ(top.texts.size(), 12u);
    EXPECT_EQ(top.texts[0].text, "Schlußdämpfung");
    EXPECT_EQ(std::make_pair(top.texts[0].x, top.texts[0].y), std::make_pair(569, 4));
    EXPECT_EQ(top.texts[2].text, "(0-81)");
    EXPECT_EQ(top.texts[3].text, "Signaldauer");
    EXPECT_EQ(top.texts[5].text, "(50-150000)");
    EXPECT_EQ(top.texts[6].text, "Start Trigger");
    EXPECT_EQ(top.texts[9].text, "Stop Trigger");
}
