// SPDX-License-Identifier: GPL-3.0-or-later
// The signal editing commands on a MainForm with a plain-field view and
// recorded dialogs.

#include <gtest/gtest.h>

#include "model/Errors.h"
#include "model/SignalEditing.h"
#include "model/TableFill.h"
#include "support/FormFixture.h"
#include "support/RecordingDialogs.h"

using namespace tonvera;
using tonvera::test::FakeView;
using tonvera::test::RecordingDialogs;

namespace {

struct EditingTest : test::FormFixture {
    MainState& st() { return form.state(); }
    SinusRecord& rec(int i) { return form.Record(i); }
    std::string& field(EditField f) { return view.edit(f); }

    // n signals, each with its own frequency text 100, 200, ...; then
    // signal `shown` selected and shown when one is named.
    void makeSignals(int n, int shown = -1)
    {
        for (int i = 0; i < n; ++i) {
            edit.Button1Click();
            field(EditField::Freq) = std::to_string(100 * (i + 1));
            edit.FreqKeyPress(SignalEditing::KeyEnter);
        }
        dialogs.clear();
        view.focusCalls.clear();
        if (shown >= 0) {
            st().SelectedSignal = shown;
            form.ShowSignal();
        }
    }
};

} // namespace

TEST_F(EditingTest, NewSignalOnAnEmptySet)
{
    ASSERT_FALSE(view.localEditsEnabled);
    edit.Button1Click();
    EXPECT_EQ(st().SelectedSignal, 0);
    EXPECT_EQ(form.SignalCount(), 1);
    const std::vector<std::string> texts{"1", "0", "0", "0", "25", "0,002", "0,002"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(rec(0).Text(i), texts[i]);
        EXPECT_EQ(view.edits[i], texts[i]);
    }
    EXPECT_EQ(rec(0).TabTyp, TypeSinus);
    EXPECT_EQ(rec(0).Table[8192], 32500);
    EXPECT_EQ(view.typeCode, TypeSinus);
    EXPECT_TRUE(view.localEditsEnabled);
    EXPECT_EQ(view.focusCalls, std::vector<EditField>{EditField::Start});
    EXPECT_GE(view.signalRepaints, 1);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(EditingTest, NewSignalCommitsTheTypedTextsOfTheCurrentOneFirst)
{
    edit.Button1Click();
    field(EditField::Freq) = "440";
    field(EditField::Signaldauer) = "2000";
    edit.Button1Click();
    EXPECT_EQ(rec(0).Freq, "440");
    EXPECT_EQ(field(EditField::Signaldauer), "2000");
    EXPECT_EQ(st().SelectedSignal, 1);
    EXPECT_EQ(field(EditField::Freq), "1");
}

TEST_F(EditingTest, NewSignalKeepsTheSlotsAmMultipleButFillsASine)
{
    edit.Button1Click();
    dialogs.inputAnswers.push_back("7");
    edit.AMSelClick(false);
    form.Neu1Click();
    edit.Button1Click();
    EXPECT_EQ(rec(0).TabTyp, TypeSinus);
    EXPECT_EQ(rec(0).Table[8192], 32500);
    EXPECT_EQ(rec(0).TabPara, 7.0);
    EXPECT_EQ(view.amSetCaption, "Set");
}

TEST_F(EditingTest, NinthSignalIsRefused)
{
    makeSignals(8, 3);
    const SinusArray before = st().SinusArray;
    edit.Button1Click();
    EXPECT_EQ(dialogs.messages, (std::vector<RecordingDialogs::Message>{{"Maximal 8 Signale möglich!", "Achtung"}}));
    EXPECT_EQ(st().SelectedSignal, 3);
    EXPECT_EQ(st().SinusArray, before);
    EXPECT_EQ(view.focusCalls, std::vector<EditField>{EditField::Start});
}

TEST_F(EditingTest, CopyTakesTheSelectedSignalWithItsPendingEdits)
{
    makeSignals(3, 1);
    dialogs.inputAnswers.push_back("3");
    edit.AMSelClick(false);
    field(EditField::Ampl) = "12,5"; // typed, not yet committed
    edit.Button9Click();
    EXPECT_EQ(st().SelectedSignal, 3);
    EXPECT_EQ(form.SignalCount(), 4);
    EXPECT_EQ(rec(3), rec(1));
    EXPECT_EQ(rec(3).Ampl, "12,5");
    EXPECT_EQ(rec(3).TabTyp, TypeAM);
    EXPECT_EQ(field(EditField::Freq), "200");
    EXPECT_EQ(view.amSetCaption, "3");
    EXPECT_EQ(view.focusCalls.back(), EditField::Start);
}

TEST_F(EditingTest, CopyWithAFullSetCopiesTheSignalOntoItself)
{
    makeSignals(8, 5);
    const SinusArray before = st().SinusArray;
    edit.Button9Click();
    EXPECT_EQ(st().SelectedSignal, 5);
    EXPECT_EQ(st().SinusArray, before);
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Maximal 8 Signale möglich!"});
}

TEST_F(EditingTest, DeleteShiftsTheLaterSignalsDownAndSelectsTheFirst)
{
    makeSignals(3);
    st().SelectedSignal = 1;
    const SinusRecord third = rec(2);
    edit.Button2Click();
    EXPECT_EQ(form.SignalCount(), 2);
    EXPECT_EQ(rec(1), third);
    EXPECT_FALSE(rec(2).Used);
    EXPECT_EQ(st().SelectedSignal, 0);
    EXPECT_EQ(field(EditField::Freq), "100");
}

TEST_F(EditingTest, DeleteTheOnlySignal)
{
    makeSignals(1);
    field(EditField::Freq) = "999"; // not committed by a delete
    edit.Button2Click();
    EXPECT_EQ(form.SignalCount(), 0);
    EXPECT_EQ(st().SelectedSignal, 0);
    EXPECT_FALSE(view.localEditsEnabled);
    // A new signal afterwards is signal 0 again, with the defaults.
    edit.Button1Click();
    EXPECT_EQ(st().SelectedSignal, 0);
    EXPECT_EQ(rec(0).Freq, "1");
}

TEST_F(EditingTest, DeleteWithNothingSelectedAbortsBeforeAnythingChanges)
{
    makeSignals(2);
    st().SelectedSignal = -1;
    const SinusArray before = st().SinusArray;
    EXPECT_THROW(edit.Button2Click(), RangeError);
    EXPECT_EQ(st().SinusArray, before);
    EXPECT_EQ(st().SelectedSignal, -1);
}

TEST_F(EditingTest, ClickSelectsTheNearestLane)
{
    makeSignals(4);
    st().SelectedSignal = 0;
    // Lane 2 of 4 at H = 260: 2*260/5 + 25 + 105/4 = 155.25.
    edit.SinusBoxMouseDown(155, 260);
    EXPECT_EQ(st().SelectedSignal, 2);
    EXPECT_EQ(field(EditField::Freq), "300");
    edit.SinusBoxMouseDown(0, 260);
    EXPECT_EQ(st().SelectedSignal, 0);
    edit.SinusBoxMouseDown(259, 260);
    EXPECT_EQ(st().SelectedSignal, 3);
    edit.SinusBoxMouseDown(100000, 260);
    EXPECT_EQ(st().SelectedSignal, 3);
}

TEST_F(EditingTest, ClickCommitsTheTypedTextsOfTheSignalItLeaves)
{
    makeSignals(2, 0);
    field(EditField::Phase) = "90";
    edit.SinusBoxMouseDown(164, 260);
    EXPECT_EQ(rec(0).Phase, "90");
    EXPECT_EQ(st().SelectedSignal, 1);
}

TEST_F(EditingTest, ClickOnAnEmptySetDoesNothing)
{
    field(EditField::Signaldauer) = "20";
    edit.SinusBoxMouseDown(130, 260);
    EXPECT_EQ(st().SelectedSignal, -1);
    EXPECT_EQ(field(EditField::Signaldauer), "20"); // nothing committed
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(EditingTest, AmCarrierDialog)
{
    makeSignals(1);
    dialogs.inputAnswers.push_back("10");
    edit.AMSelClick(false);
    ASSERT_EQ(dialogs.inputBoxes.size(), 1u);
    EXPECT_EQ(dialogs.inputBoxes[0].caption, "Trägerfrequenzwahl");
    EXPECT_EQ(dialogs.inputBoxes[0].prompt,
              "Vielfaches zur gewählten Frequenz (gewählte Frequenz ist Modulationsfrequenz)");
    EXPECT_EQ(dialogs.inputBoxes[0].defaultText, "0");
    EXPECT_EQ(rec(0).TabPara, 10.0);
    EXPECT_EQ(rec(0).TabTyp, TypeAM);
    EXPECT_EQ(view.amSetCaption, "10");
    SinusRecord expected = rec(0);
    FillAM(expected, 10);
    EXPECT_EQ(rec(0).Table, expected.Table);

    // The radio button on an AM signal does nothing; "Set" always asks.
    edit.AMSelClick(false);
    EXPECT_EQ(dialogs.inputBoxes.size(), 1u);
    dialogs.inputAnswers.push_back("2500");
    edit.AMSelClick(true);
    ASSERT_EQ(dialogs.inputBoxes.size(), 2u);
    EXPECT_EQ(dialogs.inputBoxes[1].defaultText, "10");
    EXPECT_EQ(view.amSetCaption, "2500");
    // 1000 and more give an empty default; cancelling returns it, which is
    // no number.
    EXPECT_THROW(edit.AMSelClick(true), ConvertError);
    EXPECT_EQ(dialogs.inputBoxes[2].defaultText, "");
    EXPECT_EQ(rec(0).TabPara, 2500.0);
}

TEST_F(EditingTest, AmWithABadMultipleLeavesTheSignalAsItWas)
{
    makeSignals(1);
    const SinusRecord before = rec(0);
    view.typeCode = TypeAM; // the operator clicked "AM"
    dialogs.inputAnswers.push_back("1.5");
    try {
        edit.AMSelClick(false);
        FAIL() << "no abort";
    } catch (const ConvertError& e) {
        EXPECT_EQ(e.text(), "'1.5' ist kein gültiger Gleitkommawert");
    }
    EXPECT_EQ(rec(0), before);
    // The radio buttons show the type the record still has, so the next
    // commit does not call the sine table AM.
    EXPECT_EQ(view.typeCode, TypeSinus);
    edit.FreqKeyPress(SignalEditing::KeyEnter);
    EXPECT_EQ(rec(0).TabTyp, TypeSinus);
}

TEST_F(EditingTest, AmFromTheSetButtonChecksTheAmRadioButton)
{
    makeSignals(1);
    dialogs.inputAnswers.push_back("4");
    edit.AMSelClick(true);
    EXPECT_EQ(view.typeCode, TypeAM);
    edit.FreqKeyPress(SignalEditing::KeyEnter);
    EXPECT_EQ(rec(0).TabTyp, TypeAM);
}

TEST_F(EditingTest, TypeCommands)
{
    makeSignals(1);
    edit.RechtSelClick();
    EXPECT_EQ(rec(0).TabTyp, TypeRechteck);
    EXPECT_EQ(rec(0).Table[16383], -32500);
    EXPECT_EQ(rec(0).Table[16384], 32500);

    // Mute keeps the table of the previous type.
    const WaveTable rect = rec(0).Table;
    edit.MuteSelClick();
    EXPECT_EQ(rec(0).TabTyp, TypeMute);
    EXPECT_EQ(rec(0).Table, rect);

    edit.RauschenSelClick();
    const WaveTable noise1 = rec(0).Table;
    edit.RauschenSelClick(); // already noise: nothing
    EXPECT_EQ(rec(0).Table, noise1);
    edit.SinusEichSelClick();
    EXPECT_EQ(rec(0).TabTyp, TypeSinusEich);
    EXPECT_EQ(rec(0).Table[24576], -32500);
    edit.RauschenSelClick();
    EXPECT_NE(rec(0).Table, noise1); // the generator runs on
}

TEST_F(EditingTest, TypeCommandsWithNothingSelectedDoNothing)
{
    const SinusArray before = st().SinusArray;
    edit.SinusSelClick();
    edit.RechtSelClick();
    edit.AMSelClick(true);
    EXPECT_EQ(st().SinusArray, before);
    EXPECT_TRUE(dialogs.inputBoxes.empty());
}

TEST_F(EditingTest, EnterCommitsTwiceForALocalFieldAndOnceForAGlobal)
{
    makeSignals(1);
    field(EditField::Freq) = "200000";
    field(EditField::Signaldauer) = "10";
    edit.FreqKeyPress(SignalEditing::KeyEnter);
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"Parameter Frequenz ist außerhalb des zulässigen Bereichs!",
                                                         "Parameter Signaldauer ist außerhalb des zulässigen Bereichs!",
                                                         "Parameter Frequenz ist außerhalb des zulässigen Bereichs!"}));
    EXPECT_EQ(rec(0).Freq, "100000");
    EXPECT_EQ(field(EditField::Freq), "100000");
    EXPECT_EQ(field(EditField::Signaldauer), "50");
}

TEST_F(EditingTest, OtherKeysPassWithoutACommit)
{
    makeSignals(1);
    field(EditField::Freq) = "200000";
    EXPECT_FALSE(edit.FreqKeyPress('5'));
    EXPECT_EQ(rec(0).Freq, "100");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(edit.FreqKeyPress(SignalEditing::KeyTab));
    EXPECT_EQ(rec(0).Freq, "100000");
}

TEST_F(EditingTest, FinalAttenuationIsShownInItsSteps)
{
    field(EditField::EndDamp) = "10";
    edit.PreDampExit();
    EXPECT_EQ(field(EditField::EndDamp), "9,75");

    // A variable name and an expression stay as they are.
    st().VariTable.slot(0) = {"Att", "3", "6"};
    field(EditField::EndDamp) = "Att";
    edit.PreDampExit();
    EXPECT_EQ(field(EditField::EndDamp), "Att");
    field(EditField::EndDamp) = "2*Att";
    edit.PreDampExit();
    EXPECT_EQ(field(EditField::EndDamp), "2*Att");
    EXPECT_TRUE(dialogs.messages.empty());
}
