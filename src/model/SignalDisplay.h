// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The signal display of the main window: one lane per signal with its
// envelope on a common time axis, the value labels, the trigger lines; and
// the name, unit and range labels beside the parameter edits. Everything is
// computed against a Canvas, recomputed completely on every repaint.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "model/Canvas.h"
#include "model/SinusRecord.h"

namespace tonvera {

// The eight check boxes beside the local parameters: which value labels the
// lanes show. Display options only.
struct LabelOptions {
    bool StartCheck = true;
    bool RampUpCheck = true;
    bool FreqCheck = true;
    bool PhaseCheck = true;
    bool StopCheck = true;
    bool AmplCheck = true;
    bool RampDownCheck = true;
    bool TypCheck = true;
};

// A parameter text to its value at the current variable position. The
// display never lets an evaluation show a message box: the evaluator given
// here collects messages instead.
using Evaluator = std::function<double(const std::string&)>;

struct DisplayInput {
    const SinusArray* records = nullptr; // unused slots are skipped
    int SelectedSignal = -1;
    LabelOptions checks;
    std::string Signaldauer, Triggerstart, Triggerstop;
};

// Where an edit sits in its paint box (its height is always 20).
struct EditPlace {
    int left = 0;
    int top = 0;
    int width = 0;
};

// One row of the parameter table as the labels show it.
struct ParamLabel {
    std::string name;
    std::string unit;
    std::string range; // "(min-max)"
};

class SignalDisplay {
public:
    explicit SignalDisplay(Evaluator value) : Value(std::move(value)) {}

    // Pixels per ms, rewritten on every paint.
    double TimeScale = 1;

    // Called with the signal length whenever it is not 0, so that the device
    // always holds the length the display shows (the window decides whether
    // the device is idle and sends it).
    std::function<void(double)> SignalLengthShown;

    void SinusBoxPaint(const DisplayInput& in, Canvas& c, int W, int H);
    void DrawSignal(const SinusRecord& record, int index, int selected, const LabelOptions& checks, double scale,
                    Canvas& c, int x0, int y, int width, int amp, double length);
    std::string SignalTypeLabel(const SinusRecord& record);

    // Name above the edit, unit to its right, range below it.
    static void DrawParamLabels(const EditPlace& edit, Canvas& c, const ParamLabel& label);

    // A pixel position from a real: rounded (ties to even) and held inside
    // a range that every integer computation and every painter copes with;
    // NaN lands at 0.
    static int Pixel(double v);
    static constexpr double PixelLimit = 1000000;

private:
    Evaluator Value;
};

class MainForm;

// The label texts of parameter index 0..11: name, unit, "(min-max)".
[[nodiscard]] ParamLabel ParamLabelOf(int index);

// The paint handlers of the main window on a form. Painting never opens a
// message box: a text that does not evaluate (or aborts) is drawn as -10
// and the first message of the paint goes to status panel 0; the panel is
// given back its caption once the display paints cleanly again.
class MainDisplay {
public:
    explicit MainDisplay(MainForm& form) : Form(form) {}

    // Called with the signal length on every paint where it is not 0; the
    // window sends it to the device when that is not playing. An abort in
    // it is reported like an evaluation message.
    std::function<void(double)> SignalLengthShown;

    void SinusBoxPaint(Canvas& c, int W, int H); // the signal display SinusBox
    // Labels beside the local edits Freq, Phase, Ampl, Start, Stop, RampUp,
    // RampDown (parameter 0..6, in this order).
    static void ParInfoPaint(Canvas& c, const std::array<EditPlace, 7>& edits); // the panel "Lokale Parameter"
    // Labels beside EndDamp, Signaldauer, Triggerstart, Triggerstop (8..11).
    static void IconPaintPaint(Canvas& c, const std::array<EditPlace, 4>& edits); // the panel "Globale Parameter"

private:
    MainForm& Form;
    std::string ShownMessage;
};

} // namespace tonvera
