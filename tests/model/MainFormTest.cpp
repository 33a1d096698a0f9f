// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <memory>

#include "model/Errors.h"
#include "model/MainForm.h"
#include "model/TableFill.h"
#include "support/FakeView.h"
#include "support/RecordingDialogs.h"

namespace tonvera {
namespace {

using test::FakeView;
using test::RecordingDialogs;
using Texts = std::vector<std::string>;

class MainWindow : public ::testing::Test {
protected:
    FakeView view;
    RecordingDialogs dialogs;
    std::unique_ptr<MainForm> form = std::make_unique<MainForm>(view, dialogs);

    MainState& st() { return form->state(); }

    // A selected signal with the default texts in the edits, as after
    // "Neues Signal".
    void newSignal(int slot)
    {
        SinusRecord& r = st().SinusArray[static_cast<std::size_t>(slot)];
        r.SetDefaultTexts();
        r.Used = true;
        FillSine(r);
        r.TabTyp = TypeSinus;
        st().SelectedSignal = slot;
        form->ShowSignal();
    }
};

TEST_F(MainWindow, StartsWithNoSignalAndTheNewSetTexts)
{
    EXPECT_EQ(st().SelectedSignal, -1);
    EXPECT_EQ(st().VariPos, 1);
    EXPECT_TRUE(st().CheckParam);
    EXPECT_FALSE(st().TastHigh);
    EXPECT_EQ(st().NoiseSeed, 0u);
    EXPECT_EQ(st().EichTable.count, 0);
    EXPECT_EQ(form->SignalCount(), 0);
    EXPECT_FALSE(view.localEditsEnabled);
    EXPECT_EQ(view.edit(EditField::Signaldauer), "1000");
    EXPECT_EQ(view.edit(EditField::Triggerstart), "100");
    EXPECT_EQ(view.edit(EditField::Triggerstop), "900");
    EXPECT_EQ(view.edit(EditField::EndDamp), "0");
    EXPECT_EQ(view.edit(EditField::AnzWieder), "1");
    for (const SinusRecord& r : st().SinusArray) {
        EXPECT_FALSE(r.Used);
        EXPECT_EQ(r.Freq, "1");
        EXPECT_EQ(r.Dach, "25");
        EXPECT_EQ(r.RampDown, "0,002");
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainWindow, NeuResetsTextsButKeepsTablesAndUntouchedControls)
{
    newSignal(0);
    SinusRecord& r = st().SinusArray[0];
    FillRect(r);
    r.TabTyp = TypeRechteck;
    r.TabPara = 7;
    r.Freq = "440";
    st().VariTable.slot(0) = {"a", "1"};
    st().VariPos = 3;
    st().EichTable.count = 2;
    view.check(CheckBox::Repeated) = true;
    view.check(CheckBox::varcheck) = true;
    view.edit(EditField::AnzWieder) = "5";
    view.edit(EditField::Signaldauer) = "2000";

    form->Neu1Click();

    EXPECT_FALSE(view.check(CheckBox::Repeated));
    EXPECT_TRUE(view.check(CheckBox::varcheck));
    EXPECT_EQ(view.edit(EditField::AnzWieder), "5");
    EXPECT_EQ(view.edit(EditField::Signaldauer), "1000");
    EXPECT_EQ(st().VariTable.variableCount(), 0);
    EXPECT_EQ(st().VariPos, 3);
    EXPECT_EQ(st().EichTable.count, 2);
    EXPECT_EQ(st().SelectedSignal, -1);
    EXPECT_FALSE(r.Used);
    EXPECT_EQ(r.Freq, "1");
    EXPECT_EQ(r.TabTyp, TypeRechteck);
    EXPECT_EQ(r.TabPara, 7);
    EXPECT_EQ(r.Table[0], -32500);
    EXPECT_FALSE(view.localEditsEnabled);
    EXPECT_GE(view.signalInvalidates, 2);
}

TEST_F(MainWindow, ShowSignalPutsTheRecordIntoTheEdits)
{
    newSignal(0);
    SinusRecord& r = st().SinusArray[0];
    r.Dach = "30";
    r.TabTyp = TypeAM;
    r.TabPara = 2.5;
    form->ShowSignal();
    EXPECT_EQ(view.edit(EditField::Stop), "30");
    EXPECT_EQ(view.edit(EditField::RampUp), "0,002");
    EXPECT_EQ(view.typeCode, TypeAM);
    EXPECT_EQ(view.amSetCaption, "2");

    r.TabTyp = TypeNone;
    form->ShowSignal();
    EXPECT_EQ(view.typeCode, TypeAM); // no button for -1
    EXPECT_EQ(view.amSetCaption, "Set");

    // Nothing when the selection is not a signal in use.
    st().SelectedSignal = 1;
    view.edit(EditField::Freq) = "untouched";
    form->ShowSignal();
    EXPECT_EQ(view.edit(EditField::Freq), "untouched");
}

TEST_F(MainWindow, CommitStoresCheckedLocalTextsAndRewritesGlobals)
{
    newSignal(0);
    view.edit(EditField::Freq) = "2,5";
    view.edit(EditField::RampUp) = "1";
    view.edit(EditField::Stop) = "20";
    view.edit(EditField::EndDamp) = "10";
    view.typeCode = TypeRauschen;

    form->CommitEdits();

    const SinusRecord& r = st().SinusArray[0];
    EXPECT_EQ(r.Freq, "2");
    EXPECT_EQ(r.Dach, "25");
    EXPECT_EQ(r.RampUp, "1,00007");
    EXPECT_EQ(r.TabTyp, TypeRauschen);
    // The local edits are not rewritten here, the global ones are.
    EXPECT_EQ(view.edit(EditField::Freq), "2,5");
    EXPECT_EQ(view.edit(EditField::EndDamp), "9,75");
    EXPECT_EQ(dialogs.texts(), Texts{"Parameter Dachzeit ist außerhalb des zulässigen Bereichs!"});
}

TEST_F(MainWindow, CommitWithoutSelectionChecksOnlyTheGlobals)
{
    view.edit(EditField::Signaldauer) = "10";
    view.edit(EditField::Triggerstop) = "abc";
    form->CommitEdits();
    EXPECT_EQ(view.edit(EditField::Signaldauer), "50");
    EXPECT_EQ(view.edit(EditField::Triggerstop), "0");
    EXPECT_EQ(dialogs.texts(),
              (Texts{"Parameter Signaldauer ist außerhalb des zulässigen Bereichs!", "ABC ist kein gültiger Wert!"}));
    EXPECT_EQ(st().SinusArray[0].Freq, "1");
}

TEST_F(MainWindow, CommitKeepsTheTypeWhenNoButtonIsChecked)
{
    newSignal(0);
    st().SinusArray[0].TabTyp = TypeMute;
    view.typeCode = -1;
    form->CommitEdits();
    EXPECT_EQ(st().SinusArray[0].TabTyp, TypeMute);
}

TEST_F(MainWindow, CommitStopsAtAFieldThatDoesNotConvert)
{
    newSignal(0);
    view.edit(EditField::Freq) = "440";
    view.edit(EditField::Phase) = "90";
    view.edit(EditField::Ampl) = "1.5";
    view.edit(EditField::Start) = "10";
    view.edit(EditField::Signaldauer) = "2000";
    view.typeCode = TypeRechteck;
    try {
        form->CommitEdits();
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'1.5' ist kein gültiger Gleitkommawert");
    }
    const SinusRecord& r = st().SinusArray[0];
    EXPECT_EQ(r.Freq, "440");
    EXPECT_EQ(r.Phase, "90");
    EXPECT_EQ(r.Ampl, "0");
    EXPECT_EQ(r.Start, "0");
    EXPECT_EQ(r.TabTyp, TypeSinus);
    EXPECT_EQ(view.edit(EditField::Signaldauer), "2000");
}

TEST_F(MainWindow, CommitOnAFreedSlotAfterDeletingTheLastSignal)
{
    // SelectedSignal 0 with no signal: the texts still go to record 0.
    st().SelectedSignal = 0;
    view.edit(EditField::Freq) = "100";
    form->CommitEdits();
    EXPECT_EQ(st().SinusArray[0].Freq, "100");
    st().SelectedSignal = 8;
    EXPECT_THROW(form->CommitEdits(), RangeError);
}

TEST_F(MainWindow, EvaluatesAtTheCurrentPositionWithCheckParam)
{
    st().VariTable.slot(0) = {"a", "1", "2", "4,5"};
    st().VariPos = 3;
    EXPECT_DOUBLE_EQ(form->ParamValue("2*A+1"), 10);
    EXPECT_DOUBLE_EQ(form->OperandValue("a"), 4.5);
    EXPECT_TRUE(form->EvalParam("a").ok);
    EXPECT_EQ(form->VariableRef("A"), "-1");
    EXPECT_EQ(form->RangeCheck("20", 4), "25");
    st().CheckParam = false;
    EXPECT_EQ(form->RangeCheck("20", 4), "20");
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(MainWindow, EnableLocalEditsFollowsTheSignalCount)
{
    st().SinusArray[5].Used = true; // counted wherever it lies
    EXPECT_EQ(form->SignalCount(), 1);
    form->EnableLocalEdits();
    EXPECT_TRUE(view.localEditsEnabled);
    st().SinusArray[5].Used = false;
    form->EnableLocalEdits();
    EXPECT_FALSE(view.localEditsEnabled);
}

TEST_F(MainWindow, StateCopiesAreIndependent)
{
    newSignal(0);
    MainState copy = st();
    copy.SinusArray[0].Table[8192] = 1;
    copy.VariTable.slot(0) = {"x"};
    EXPECT_EQ(st().SinusArray[0].Table[8192], 32500);
    EXPECT_EQ(st().VariTable.variableCount(), 0);
    form->replaceState(copy);
    EXPECT_EQ(st().SinusArray[0].Table[8192], 1);
    EXPECT_TRUE(st().VariTable.NameExists("X"));
}

} // namespace
} // namespace tonvera
