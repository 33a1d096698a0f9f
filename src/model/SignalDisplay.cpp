// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/SignalDisplay.h"

#include <utility>

#include <algorithm>
#include <cmath>

#include "model/Dialogs.h"
#include "model/Errors.h"
#include "model/MainForm.h"
#include "model/Numbers.h"
#include "model/ParamTable.h"
#include "model/QuietDialogs.h"

namespace tonvera {

namespace {

// Integer division truncating toward zero on pixel values (all within
// PixelLimit, so the sum cannot overflow).
int halfSum(int a, int b) { return static_cast<int>((static_cast<long long>(a) + b) / 2); }

} // namespace

int SignalDisplay::Pixel(double v)
{
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::clamp(rnd(v), -PixelLimit, PixelLimit));
}

std::string SignalDisplay::SignalTypeLabel(const SinusRecord& record)
{
    if (record.TabTyp == TypeAM)
        return std::string(SignalTypeName(TypeAM)) + " " + IntegerText(Value(record.Freq) * record.TabPara) + " Hz";
    return SignalTypeName(record.TabTyp);
}

void SignalDisplay::SinusBoxPaint(const DisplayInput& in, Canvas& c, int W, int H)
{
    const double L = Value(in.Signaldauer);
    if (L != 0) {
        TimeScale = W / L;
        if (SignalLengthShown)
            SignalLengthShown(L);
    } else {
        TimeScale = 1;
    }

    c.setBrushColor(colors::Black);
    c.setPenColor(colors::Red);
    c.setFontColor(colors::White);
    c.rectangle(0, 0, W, H);

    static const SinusArray none{};
    const SinusArray& records = in.records ? *in.records : none;
    const int n = UsedCount(records);
    int k = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto& r = records[i];
        if (!r.Used)
            continue;
        const int y = Pixel(k * static_cast<double>(H) / (n + 1) + 25 + 0.5 * (H - 50) / n);
        const int amp = Pixel((H - 50) * 0.8 / n);
        DrawSignal(r, static_cast<int>(i), in.SelectedSignal, in.checks, TimeScale, c, 0, y, W, amp, L);
        ++k;
    }

    c.setPenColor(colors::Blue);
    int x = Pixel(Value(in.Triggerstart) * TimeScale);
    c.moveTo(x, 0);
    c.lineTo(x, H);
    c.setPenColor(colors::Purple);
    x = Pixel(Value(in.Triggerstop) * TimeScale);
    c.moveTo(x, 0);
    c.lineTo(x, H);
}

void SignalDisplay::DrawSignal(const SinusRecord& record, int index, int selected, const LabelOptions& checks, double s,
                               Canvas& c, int x0, int y, int width, int amp, double length)
{
    const double S = Value(record.Start);
    const double U = Value(record.RampUp);
    const double D = Value(record.Dach);
    const double F = Value(record.RampDown);
    const double A = Value(record.Ampl);
    const double P = Value(record.Phase);
    const double Q = Value(record.Freq);

    // Positions are computed as reals and only then made pixels, so a huge
    // time or scale (through a variable, or with the range check off) lands
    // far outside the box instead of overflowing.
    auto X = [&](double t) { return Pixel(x0 + rnd(t * s)); };
    const int xS = X(S);
    const int xU = X(S + U);
    const int xD = X(S + U + D);
    const int xF = X(S + U + D + F);

    c.setPenColor(index == selected ? colors::Yellow : colors::White);
    c.moveTo(x0, y);
    c.lineTo(xS, y);

    const int h = Pixel((33 - A) * ((3 * amp) / 7) / 30.0);
    const int top = Pixel(static_cast<double>(y) - h);
    const int bottom = Pixel(static_cast<double>(y) + h);
    c.moveTo(xS, y);
    c.lineTo(xU, top);
    c.moveTo(xS, y);
    c.lineTo(xU, bottom);
    c.lineTo(xD, bottom);
    c.moveTo(xU, top);
    c.lineTo(xD, top);
    c.lineTo(xF, y);
    c.moveTo(xD, bottom);
    c.lineTo(xF, y);

    const int TH = c.textHeight("Q");
    const int xm = x0 + halfSum(Pixel(S * s), Pixel((S + U + D + F) * s));
    auto put = [&](int x, int yy, const std::string& text) {
        if (!text.empty())
            c.textOut(x, yy, text);
    };
    auto centred = [&](double yy, const std::string& text) { put(Pixel(xm - c.textWidth(text) / 2), Pixel(yy), text); };

    // The shown ones of two values, a slash between them.
    auto pair = [](bool showA, double a, const char* unitA, bool showB, double b, const char* unitB) {
        std::string t = showA ? IntegerText(a) + unitA : std::string();
        if (showA && showB)
            t += "/";
        if (showB)
            t += IntegerText(b) + unitB;
        return t;
    };
    centred(static_cast<double>(bottom) - TH - 2, pair(checks.FreqCheck, Q, " Hz", checks.PhaseCheck, P, "°"));
    centred(static_cast<double>(top) + 3, pair(checks.StopCheck, D, "ms", checks.AmplCheck, A, "dB"));

    if (checks.StartCheck)
        put(x0 + 2, y - TH - 2, IntegerText(S) + "ms");

    if (checks.TypCheck) {
        const std::string label = SignalTypeLabel(record);
        const auto blank = label.find(' ');
        if (blank != std::string::npos) {
            put(x0 + 2, y + 2, label.substr(0, blank));
            put(x0 + 2, y + 2 + TH, label.substr(blank + 1));
        } else {
            put(x0 + 2, y + 2, label);
        }
    }

    if (checks.StartCheck) {
        const std::string rest = IntegerText(length - (S + U + D + F)) + "ms";
        put(Pixel(static_cast<double>(x0) + width - c.textWidth(rest) - 2), y - TH - 2, rest);
    }
    if (checks.RampDownCheck) {
        const std::string fall = IntegerText(F) + "ms";
        put(Pixel(static_cast<double>(xD) - c.textWidth(fall)), y - TH / 2, fall);
    }
    if (checks.RampUpCheck)
        put(Pixel(static_cast<double>(xS) + 4), y - TH / 2, IntegerText(U) + "ms");

    c.moveTo(xF, y);
    c.lineTo(x0 + width, y);
}

void SignalDisplay::DrawParamLabels(const EditPlace& edit, Canvas& c, const ParamLabel& label)
{
    c.textOut(edit.left, edit.top - 18, label.name);
    c.textOut(edit.left + edit.width + 2, edit.top + 3, label.unit);
    c.textOut(edit.left, edit.top + 20, label.range);
}

ParamLabel ParamLabelOf(int index)
{
    const auto i = static_cast<std::size_t>(index);
    // Appended piecewise: GCC 12 at -O3 warns falsely (-Wrestrict) on
    // "(" + std::string.
    std::string range = "(";
    range += FormatGeneral(Params.at(i).min);
    range += '-';
    range += FormatGeneral(Params.at(i).max);
    range += ')';
    return {std::string(Params.at(i).name), std::string(Params.at(i).unit), std::move(range)};
}

void MainDisplay::SinusBoxPaint(Canvas& c, int W, int H)
{
    // Messages of evaluations made while painting are kept, not shown: a box
    // opened from a paint handler would be followed by the next paint and
    // its box, without end.
    QuietDialogs quiet;
    const MainState& st = Form.state();
    const ParamEvaluator eval(st.VariTable, st.VariPos, quiet);
    SignalDisplay display([&](const std::string& text) {
        try {
            return eval.ParamValue(text);
        } catch (const AbortError& e) {
            quiet.keep(e.text());
            return ParamEvaluator::FailValue;
        }
    });
    display.SignalLengthShown = [&](double length) {
        if (!SignalLengthShown)
            return;
        try {
            SignalLengthShown(length);
        } catch (const AbortError& e) {
            quiet.keep(e.text());
        }
    };

    MainView& view = Form.view();
    DisplayInput in;
    in.records = &st.SinusArray;
    in.SelectedSignal = st.SelectedSignal;
    in.Signaldauer = view.editText(EditField::Signaldauer);
    in.Triggerstart = view.editText(EditField::Triggerstart);
    in.Triggerstop = view.editText(EditField::Triggerstop);
    in.checks.StartCheck = view.isChecked(CheckBox::StartCheck);
    in.checks.RampUpCheck = view.isChecked(CheckBox::RampUpCheck);
    in.checks.FreqCheck = view.isChecked(CheckBox::FreqCheck);
    in.checks.PhaseCheck = view.isChecked(CheckBox::PhaseCheck);
    in.checks.StopCheck = view.isChecked(CheckBox::StopCheck);
    in.checks.AmplCheck = view.isChecked(CheckBox::AmplCheck);
    in.checks.RampDownCheck = view.isChecked(CheckBox::RampDownCheck);
    in.checks.TypCheck = view.isChecked(CheckBox::TypCheck);

    display.SinusBoxPaint(in, c, W, H);
    Form.state().TimeScale = display.TimeScale;

    if (!quiet.texts().empty()) {
        ShownMessage = quiet.texts().front();
        view.setStatusText(StatusPanelStatus, ShownMessage);
    } else if (!ShownMessage.empty()) {
        if (view.statusText(StatusPanelStatus) == ShownMessage)
            view.setStatusText(StatusPanelStatus, "Status");
        ShownMessage.clear();
    }
}

void MainDisplay::ParInfoPaint(Canvas& c, const std::array<EditPlace, 7>& edits)
{
    for (int i = 0; i < 7; ++i)
        SignalDisplay::DrawParamLabels(edits[static_cast<std::size_t>(i)], c, ParamLabelOf(i));
}

void MainDisplay::IconPaintPaint(Canvas& c, const std::array<EditPlace, 4>& edits)
{
    for (int i = 0; i < 4; ++i)
        SignalDisplay::DrawParamLabels(edits[static_cast<std::size_t>(i)], c, ParamLabelOf(ParamEndDamp + i));
}

} // namespace tonvera
