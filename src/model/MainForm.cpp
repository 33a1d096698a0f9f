// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/MainForm.h"

#include <array>

#include "model/Errors.h"
#include "model/Numbers.h"
#include "model/ParamTable.h"

namespace tonvera {

namespace {

constexpr std::array<EditField, LocalEditCount> LocalEdits = {
    EditField::Freq, EditField::Phase,  EditField::Ampl,     EditField::Start,
    EditField::Stop, EditField::RampUp, EditField::RampDown,
};

struct GlobalEdit {
    EditField field;
    int paramIndex;
};
constexpr std::array<GlobalEdit, 4> GlobalEdits = {{
    {EditField::EndDamp, ParamEndDamp},
    {EditField::Signaldauer, ParamSignaldauer},
    {EditField::Triggerstart, ParamTriggerstart},
    {EditField::Triggerstop, ParamTriggerstop},
}};

} // namespace

MainForm::MainForm(MainView& view, Dialogs& dialogs) : view_(view), dialogs_(dialogs)
{
    state_.SelectedSignal = -1;
    state_.VariPos = 1;
    Neu1Click();
}

void MainForm::EnableLocalEdits() { view_.setLocalEditsEnabled(SignalCount() != 0); }

SinusRecord& MainForm::Record(int index)
{
    if (index < 0 || index >= SignalSlots)
        throw RangeError();
    return state_.SinusArray[static_cast<std::size_t>(index)];
}

SinusRecord& MainForm::SelectedRecord() { return Record(state_.SelectedSignal); }

void MainForm::CommitEdits()
{
    if (state_.SelectedSignal >= 0) {
        SinusRecord& rec = SelectedRecord();
        for (int i = 0; i < LocalEditCount; ++i) {
            const std::string text = view_.editText(LocalEdits[static_cast<std::size_t>(i)]);
            rec.Text(i) = RangeCheck(text, i);
        }
        const int type = view_.checkedType();
        if (type >= TypeSinus && type <= TypeMute)
            rec.TabTyp = type;
    }
    for (const GlobalEdit& g : GlobalEdits) {
        const std::string text = view_.editText(g.field);
        view_.setEditText(g.field, RangeCheck(text, g.paramIndex));
    }
}

void MainForm::ShowSignal()
{
    const std::int32_t sel = state_.SelectedSignal;
    if (sel < 0 || sel >= SignalCount())
        return;
    const SinusRecord& rec = Record(sel);
    for (int i = 0; i < LocalEditCount; ++i)
        view_.setEditText(LocalEdits[static_cast<std::size_t>(i)], rec.Text(i));
    if (rec.TabTyp >= TypeSinus && rec.TabTyp <= TypeMute)
        view_.setCheckedType(rec.TabTyp);
    view_.setAmSetCaption(rec.TabTyp == TypeAM ? IntegerText(rec.TabPara) : std::string("Set"));
}

void ResetToNew(MainState& state)
{
    state.VariTable.Clear();
    for (SinusRecord& r : state.SinusArray) {
        r.Used = false;
        r.SetDefaultTexts();
    }
    state.SelectedSignal = -1;
}

void MainForm::Neu1Click()
{
    view_.setChecked(CheckBox::Repeated, false);
    view_.setOrder({});
    ResetToNew(state_);
    for (const NewGlobalText& g : NewGlobalTexts)
        view_.setEditText(g.field, std::string(g.text));
    view_.invalidateSignalDisplay();
    EnableLocalEdits();
}

double MainForm::OperandValue(std::string_view text) const { return evaluator().OperandValue(text); }
EvalResult MainForm::EvalParam(std::string_view text) const { return evaluator().EvalParam(text); }
double MainForm::ParamValue(std::string_view text) const { return evaluator().ParamValue(text); }
std::string MainForm::RangeCheck(std::string_view text, int index) const
{
    return evaluator().RangeCheck(text, index, state_.CheckParam);
}
std::string MainForm::VariableRef(std::string_view text) const { return evaluator().VariableRef(text); }

} // namespace tonvera
