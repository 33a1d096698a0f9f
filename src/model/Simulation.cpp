// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Simulation.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "model/Dialogs.h"
#include "model/Errors.h"
#include "model/MainForm.h"
#include "model/Numbers.h"
#include "model/ParamEvaluator.h"
#include "model/QuietDialogs.h"

namespace tonvera {

namespace {

// Whatever happens while the positions are walked, the operator's position
// is back afterwards.
class PositionScope {
public:
    explicit PositionScope(Simulation& sim) : sim_(sim) { sim_.BeginPositions(); }
    ~PositionScope() { sim_.EndPositions(); }
    PositionScope(const PositionScope&) = delete;
    PositionScope& operator=(const PositionScope&) = delete;

private:
    Simulation& sim_;
};

int toPixel(double v)
{
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::clamp(v, -1e6, 1e6));
}

void verticalLine(Canvas& c, int x, int height, Color color)
{
    c.setPenColor(color);
    c.moveTo(x, 0);
    c.lineTo(x, height);
}

} // namespace

double EnvelopeShape::at(double t) const
{
    if (!used)
        return 0.0;
    // A ramp of length 0 (or less) never matches its test, so nothing is
    // divided by it.
    if (t <= start)
        return 0.0;
    if (t <= start + rampUp)
        return (t - start) / rampUp * k;
    if (t <= start + rampUp + dach)
        return k;
    if (t <= start + rampUp + dach + rampDown)
        return (1.0 - (t - (start + rampUp + dach)) / rampDown) * k;
    return 0.0;
}

void Simulation::Button7Click(MainForm& form)
{
    const MainState& state = form.state();
    if (!state.VariTable.inUse(0)) {
        dialogs_.messageBox("Simulation nur sinnvoll, wenn Variablen verwendet werden!", AttentionTitle);
        return;
    }
    const MainView& view = form.view();
    SetOrder(SimulationOrder(view.order(), state.VariTable.PositionCount()));
    Simulate(state.SinusArray, state.VariTable, view.editText(EditField::Signaldauer),
             view.editText(EditField::Triggerstart), view.editText(EditField::Triggerstop));
}

void Simulation::Simulate(const SinusArray& signals, VariTable variables, const std::string& lengthText,
                          const std::string& triggerStartText, const std::string& triggerStopText)
{
    simSignals_ = signals;
    simVariables_ = std::move(variables);
    lengthText_ = lengthText;
    triggerStartText_ = triggerStartText;
    triggerStopText_ = triggerStopText;

    QuietDialogs sink(QuietDialogs::Queries::Cancel, QuietDialogs::Repeats::Once);
    auto report = [&sink, this] {
        for (const std::string& m : sink.messages())
            dialogs_.messageBox(m, AttentionTitle);
        for (const std::string& e : sink.errors())
            dialogs_.errorBox(e);
    };

    totalDuration_ = 0.0;
    try {
        PositionScope positions(*this);
        while (!PositionsDone()) {
            totalDuration_ += GlobalValue(lengthText_, sink);
            NextPosition();
        }
    } catch (const AbortError&) {
        report();
        throw;
    }
    label1_ = "Dauer des Gesamtsignals: " + FormatGeneralShown(totalDuration_ / 1000.0, 6, separator_) + " Sekunden";

    // Everything the plot will read, checked once here, so that each text
    // that does not evaluate is reported once and not at every repaint.
    {
        PositionScope positions(*this);
        try {
            while (!PositionsDone()) {
                evaluatePosition(sink);
                NextPosition();
            }
        } catch (const AbortError& e) {
            sink.errorBox(e.text());
        }
    }
    report();

    if (ShowModal)
        ShowModal();
}

void Simulation::BeginPositions()
{
    savedPos_ = variPos_;
    step_ = 0;
    variPos_ = order_.empty() ? 1 : order_.front();
}

bool Simulation::PositionsDone() const
{
    if (!order_.empty())
        return step_ >= order_.size();
    return variPos_ >= static_cast<std::int32_t>(simVariables_.slot(0).size());
}

void Simulation::NextPosition()
{
    if (order_.empty()) {
        ++variPos_;
        return;
    }
    if (++step_ < order_.size())
        variPos_ = order_[step_];
}

void Simulation::EndPositions() { variPos_ = savedPos_; }

double Simulation::GlobalValue(const std::string& text) const { return GlobalValue(text, dialogs_); }

double Simulation::GlobalValue(const std::string& text, Dialogs& sink) const
{
    return ParamEvaluator(simVariables_, variPos_, sink).ParamValue(text);
}

EnvelopeShape Simulation::Shape(const SinusRecord& record, Dialogs& sink) const
{
    EnvelopeShape s;
    // An unused slot holds whatever texts it was left with; they are not
    // evaluated, so they cannot report anything.
    if (!record.Used)
        return s;
    const ParamEvaluator ev(simVariables_, variPos_, sink);
    const double a = ev.ParamValue(record.Ampl);
    // 1 / (a + 1) has no value at -1 dB; such a signal adds nothing.
    s.k = a == -1.0 ? 0.0 : 1.0 / (a + 1.0);
    s.used = true;
    s.start = ev.ParamValue(record.Start);
    s.rampUp = ev.ParamValue(record.RampUp);
    s.dach = ev.ParamValue(record.Dach);
    s.rampDown = ev.ParamValue(record.RampDown);
    return s;
}

double Simulation::Envelope(const SinusRecord& record, double t) const { return Shape(record, dialogs_).at(t); }

Simulation::PositionValues Simulation::evaluatePosition(Dialogs& sink) const
{
    PositionValues v;
    v.length = GlobalValue(lengthText_, sink);
    v.triggerStop = GlobalValue(triggerStopText_, sink);
    v.triggerStart = GlobalValue(triggerStartText_, sink);
    for (std::size_t i = 0; i < simSignals_.size(); ++i)
        v.shapes[i] = Shape(simSignals_[i], sink);
    return v;
}

void Simulation::SimPaintPaint(Canvas& c, int W, int H)
{
    paintProblems_.clear();
    c.setPenColor(colors::Red);
    c.setBrushColor(colors::Black);
    c.rectangle(0, 0, W, H);

    // Without a positive total or a width there is no time scale: the empty
    // box is all there is to show.
    const double total = totalDuration_;
    if (!(total > 0.0) || W <= 0)
        return;

    QuietDialogs sink(QuietDialogs::Queries::Cancel, QuietDialogs::Repeats::Once);
    auto position = [total, W](double time) { return time / total * W; };
    auto x = [&position](double time) { return toPixel(rnd(position(time))); };
    const int half = H / 2;
    const double step = total / W / 10.0;
    const long maxSamples = 10L * W + 40;

    PositionScope positions(*this);
    double s = 0.0;
    try {
        while (!PositionsDone()) {
            const PositionValues pv = evaluatePosition(sink);
            const double d = pv.length;
            if (s != 0.0)
                verticalLine(c, x(s), H, colors::White);
            verticalLine(c, x(pv.triggerStop + s), H, colors::Purple);
            verticalLine(c, x(pv.triggerStart + s), H, colors::Blue);

            // Samples left of the box or right of it are not drawn, so the
            // walk starts just before the left edge and ends at the right
            // one, and never takes more samples than the box has room for:
            // a position of absurd length cannot stall the window.
            const double first = std::max(0.0, std::floor(-s / step) - 10.0);
            for (long n = 0; n < maxSamples; ++n) {
                const double t = (first + static_cast<double>(n)) * step;
                if (!(t < d))
                    break;
                const double at = position(t + s);
                if (at > W + 1.0)
                    break;
                double sum = 0.0;
                for (const EnvelopeShape& shape : pv.shapes)
                    sum += shape.at(t);
                const int px = toPixel(rnd(at));
                c.setPixel(px, toPixel(rnd(H * sum / 4.0 + half)), colors::Yellow);
                c.setPixel(px, toPixel(rnd(half - H * sum / 4.0)), colors::Yellow);
            }
            NextPosition();
            s += d;
        }
    } catch (const AbortError& e) {
        sink.errorBox(e.text());
    }
    paintProblems_ = sink.messages();
    paintProblems_.insert(paintProblems_.end(), sink.errors().begin(), sink.errors().end());
}

} // namespace tonvera
