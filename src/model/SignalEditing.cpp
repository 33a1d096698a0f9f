// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/SignalEditing.h"

#include <cmath>

#include "model/Errors.h"
#include "model/Numbers.h"
#include "model/ParamTable.h"
#include "model/TableFill.h"

namespace tonvera {

namespace {
constexpr const char* CarrierCaption = "Trägerfrequenzwahl";
constexpr const char* CarrierPrompt = "Vielfaches zur gewählten Frequenz (gewählte Frequenz ist Modulationsfrequenz)";
} // namespace

SinusRecord* SignalEditing::selected()
{
    const std::int32_t sel = Form.state().SelectedSignal;
    if (sel < 0)
        return nullptr;
    return &Form.Record(sel);
}

void SignalEditing::finishNewOrCopy()
{
    repaint();
    Form.EnableLocalEdits();
    Form.view().focusEdit(EditField::Start);
}

void SignalEditing::Button1Click()
{
    MainState& st = Form.state();
    if (st.SelectedSignal >= 0 && st.SelectedSignal <= Form.SignalCount())
        Form.CommitEdits();
    const std::int32_t n = Form.SignalCount();
    if (n == SignalSlots) {
        Form.dialogs().messageBox("Maximal 8 Signale möglich!", AttentionTitle);
    } else {
        st.SelectedSignal = n;
        SinusRecord& rec = Form.Record(n);
        rec.SetDefaultTexts();
        rec.Used = true;
        rec.TabTyp = TypeNone;
        SinusSelClick();
        Form.ShowSignal();
    }
    finishNewOrCopy();
}

void SignalEditing::Button9Click()
{
    const std::int32_t a = Form.state().SelectedSignal;
    Button1Click();
    if (a >= 0) {
        // When the set was full the selection did not move and this copies
        // the record onto itself.
        const SinusRecord source = Form.Record(a);
        Form.SelectedRecord() = source;
    }
    Form.ShowSignal();
    finishNewOrCopy();
}

void SignalEditing::Button2Click()
{
    MainState& st = Form.state();
    // With nothing selected (-1) this aborts here, before anything moved.
    (void)Form.Record(st.SelectedSignal);
    for (int i = st.SelectedSignal; i < SignalSlots - 1; ++i)
        Form.Record(i) = Form.Record(i + 1);
    Form.Record(SignalSlots - 1).Used = false;
    st.SelectedSignal = 0;
    Form.ShowSignal();
    repaint();
    Form.EnableLocalEdits();
}

void SignalEditing::SinusBoxMouseDown(int y, int height)
{
    MainState& st = Form.state();
    const std::int32_t n = Form.SignalCount();
    if (n == 0)
        return;
    if (st.SelectedSignal < n)
        Form.CommitEdits();
    // Inverts the lane layout of the display: lane k is centred at
    // k*H/(n+1) + 25 + (H-50)/(2n).
    const double H = height;
    double k = rnd((y - 25 - 0.5 * (H - 50) / n) / H * (n + 1));
    if (std::isnan(k))
        k = 0;
    if (k >= n - 1)
        k = n - 1;
    if (k < 0)
        k = 0;
    st.SelectedSignal = static_cast<std::int32_t>(k);
    Form.ShowSignal();
    repaint();
}

void SignalEditing::ChangeType(std::int32_t type, const std::function<void(SinusRecord&)>& fill)
{
    SinusRecord* rec = selected();
    if (!rec || rec->TabTyp == type)
        return;
    if (fill)
        fill(*rec);
    rec->TabTyp = type;
    repaint();
}

void SignalEditing::SinusSelClick()
{
    ChangeType(TypeSinus, [this](SinusRecord& r) {
        Form.view().setCheckedType(TypeSinus);
        FillSine(r);
    });
}

void SignalEditing::SinusEichSelClick() { ChangeType(TypeSinusEich, FillSine); }

void SignalEditing::AMSelClick(bool fromAmSet)
{
    SinusRecord* rec = selected();
    if (!rec || (!fromAmSet && rec->TabTyp == TypeAM))
        return;
    const std::string defaultText =
        (rec->TabPara >= 0 && rec->TabPara < 1000) ? IntegerText(rec->TabPara) : std::string();
    const std::string answer = Form.dialogs().inputBox(CarrierCaption, CarrierPrompt, defaultText);
    double m = 0;
    try {
        m = ConvertNumber(answer, ',');
    } catch (const AbortError&) {
        // The record keeps its type and table; the radio buttons must say
        // so too, or the next commit would call the old table AM.
        if (rec->TabTyp >= TypeSinus && rec->TabTyp <= TypeMute)
            Form.view().setCheckedType(rec->TabTyp);
        throw;
    }
    rec->TabPara = m;
    Form.view().setAmSetCaption(IntegerText(m));
    FillAM(*rec, m);
    rec->TabTyp = TypeAM;
    // From "Set" the radio button may still show the old type; the next
    // commit takes the type from it.
    Form.view().setCheckedType(TypeAM);
    repaint();
}

void SignalEditing::RechtSelClick() { ChangeType(TypeRechteck, FillRect); }

void SignalEditing::RauschenSelClick()
{
    ChangeType(TypeRauschen, [this](SinusRecord& r) { FillNoise(r, Form.state().NoiseSeed); });
}

// The table of the previous type stays.
void SignalEditing::MuteSelClick() { ChangeType(TypeMute, nullptr); }

bool SignalEditing::FreqKeyPress(int key)
{
    if (key != KeyEnter && key != KeyTab)
        return false;
    Form.CommitEdits();
    if (Form.state().SelectedSignal >= 0) {
        Form.CommitEdits();
        Form.ShowSignal();
    }
    repaint();

    // The final attenuation goes to the device in steps of 0.75 dB; a plain
    // non-negative number is shown as the step it will be. Variable names
    // (which VariableRef turns into negative numbers) and expressions stay.
    MainView& view = Form.view();
    const std::string text = view.editText(EditField::EndDamp);
    const ParsedNumber asNumber = TryConvertNumber(Form.VariableRef(text), ',');
    if (asNumber.valid && asNumber.value >= 0) {
        const double v = SnapToStep(ParamEndDamp, Form.ParamValue(text));
        view.setEditText(EditField::EndDamp, FormatGeneral4(v));
    }
    return true;
}

void SignalEditing::PreDampExit() { FreqKeyPress(KeyEnter); }

} // namespace tonvera
