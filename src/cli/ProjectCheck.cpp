// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectCheck.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <optional>
#include <span>

#include "ConsoleDialogs.h"
#include "OutputCheck.h"
#include "ProjectInput.h"
#include "device/Pause.h"
#include "device/RegisterError.h"
#include "device/SerialLine.h"
#include "device/TTonvera.h"
#include "model/Errors.h"
#include "model/PositionOrder.h"
#include "model/Numbers.h"
#include "model/ParamEvaluator.h"
#include "model/ParamTable.h"
#include "model/QuietDialogs.h"

namespace tonvera::cli {

namespace {

// The device object's side of the check: an open line that takes every
// packet and answers none.
class SilentLine : public SerialLine {
public:
    bool open(const std::string&) override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    void writeBlock(std::span<const std::uint8_t>) override {}
    LineRead readByte() override { return LineRead::none(); }
};

class NoPause : public Pause {
public:
    void pause(int) override {}
};

struct Evaluated {
    bool ok = false;
    // What the device check goes on with: the value, or -10 when the text
    // does not evaluate without a word (a variable value of exactly -10);
    // nothing when the evaluation said why it failed or aborted the
    // command. The -10 of a failed evaluation is the program's, not the
    // operator's: the device's refusal of it would be reported as a value
    // nobody typed.
    std::optional<double> value;
};

// Values that every device command takes, to go on checking the other
// registers once one has been reported; by parameter index.
constexpr std::array<double, 7> NeutralValues = {1000, 0, 0, 0, 25, 1, 1};

class Checker {
public:
    Checker(const Project& p, Priority prio)
        : P(p), St(p.State), Prio(prio), Device(std::make_unique<TTonvera>(Line, Quiet))
    {
    }

    std::vector<Problem> run()
    {
        checkTables();
        const int positions = PositionsOf(St);
        for (int pos = 1; pos <= positions; ++pos) {
            for (int i = 0; i < SignalSlots; ++i) {
                if (St.SinusArray[static_cast<std::size_t>(i)].Used)
                    checkSignal(i, pos);
                else
                    evaluateUnused(i, pos);
            }
            checkGlobals(pos);
        }
        return std::move(Found);
    }

private:
    // The one device object of the check, made ready for the next command:
    // stopped, no calibration warning. (A fresh object
    // per command would clear a megabyte of table cache each time.)
    TTonvera& device()
    {
        Device->Running = false;
        Device->EichError = false;
        return *Device;
    }

    // Every table goes to the device when it changed (unused signals' too),
    // and the device takes only 16-bit words: a value outside
    // -65536..65535 aborts the upload. Position does not matter.
    void checkTables()
    {
        for (int i = 0; i < SignalSlots; ++i) {
            const WaveTable& t = St.SinusArray[static_cast<std::size_t>(i)].Table;
            long bad = 0;
            std::size_t first = 0;
            for (std::size_t k = 0; k < WaveTable::Size; ++k) {
                if (t[k] >= protocol::TableValueMin && t[k] <= protocol::TableValueMax)
                    continue;
                if (bad++ == 0)
                    first = k;
            }
            if (bad == 0)
                continue;
            std::string value = std::to_string(t[first]) + " an Stelle " + std::to_string(first);
            if (bad > 1)
                value += ", " + std::to_string(bad) + " Werte außerhalb " + std::to_string(protocol::TableValueMin) +
                         ".." + std::to_string(protocol::TableValueMax);
            Found.push_back(Problem{i, "Tabelle", RangeError().text(), value, {}, false});
        }
    }

    void add(int signal, int param, const std::string& text, const std::string& value, int pos, bool warning = false)
    {
        add(signal, std::string(Params[static_cast<std::size_t>(param)].name), text, value, pos, warning);
    }
    void add(int signal, const std::string& param, const std::string& text, const std::string& value, int pos,
             bool warning = false)
    {
        for (Problem& p : Found) {
            if (p.signal == signal && p.parameter == param && p.text == text && p.value == value) {
                if (p.positions.empty() || p.positions.back() != pos)
                    p.positions.push_back(pos);
                return;
            }
        }
        Found.push_back(Problem{signal, param, text, value, {pos}, warning});
    }

    // The text evaluated as the download evaluates it, with its messages
    // reported; then, for a value that evaluated, the commit-time limits of
    // the parameter table (the range check's own message).
    Evaluated evaluate(int signal, const std::string& param, int limitIndex, const std::string& text, int pos)
    {
        QuietDialogs d(QuietDialogs::Queries::Accept);
        ParamEvaluator ev(St.VariTable, pos, d);
        Evaluated e;
        try {
            const EvalResult r = ev.EvalParam(text);
            e.ok = r.ok;
            if (r.ok || d.texts().empty())
                e.value = r.ok ? r.value : ParamEvaluator::FailValue;
        } catch (const AbortError& a) {
            d.keep(a.text());
        }
        for (const std::string& t : d.texts())
            add(signal, param, t, "", pos);

        if (e.ok && limitIndex >= 0) {
            QuietDialogs limits(QuietDialogs::Queries::Accept);
            ParamEvaluator lim(St.VariTable, pos, limits);
            try {
                (void)lim.RangeCheck(FormatGeneral(*e.value, 15), limitIndex, true);
            } catch (const AbortError& a) {
                limits.keep(a.text());
            }
            for (const std::string& t : limits.texts())
                add(signal, param, t, FormatGeneral(*e.value), pos);
        }
        return e;
    }

    void checkSignal(int i, int pos)
    {
        const SinusRecord& r = St.SinusArray[static_cast<std::size_t>(i)];
        SinusValues values;
        for (const int param : EvaluationOrder) {
            const std::string name(Params[static_cast<std::size_t>(param)].name);
            const Evaluated e = evaluate(i, name, param, r.Text(param), pos);
            // An evaluation that failed and said so has its line already: the
            // device check of this register would say nothing new.
            values.Param(param) = e.value ? *e.value : NeutralValues[static_cast<std::size_t>(param)];
        }
        values.TabTyp = r.TabTyp;
        values.Used = r.Used;
        checkDevice(i, values, pos);
    }

    // Every download evaluates all eight records, those not in use too: a
    // text there that does not evaluate shows its message at each download,
    // and one that aborts (a variable without a value at this position)
    // ends the download. Only the limits and the device do not apply.
    void evaluateUnused(int i, int pos)
    {
        const SinusRecord& r = St.SinusArray[static_cast<std::size_t>(i)];
        for (const int param : EvaluationOrder)
            evaluate(i, std::string(Params[static_cast<std::size_t>(param)].name), -1, r.Text(param), pos);
    }

    // Runs the device object's download of one signal. The register it
    // refuses is reported, its value replaced by one the device takes, and
    // the download runs again for the registers after it.
    void checkDevice(int i, SinusValues values, int pos)
    {
        for (int attempt = 0; attempt < 10; ++attempt) {
            TTonvera& dev = device();
            try {
                dev.LoadSignal(i, values, St.EichTable);
                if (dev.EichError)
                    add(i, ParamAmpl, "Amplituden Bereich durch Eichung überschritten!", "", pos, true);
                return;
            } catch (const RegisterRangeError& a) {
                if (a.Reg == Register::RampDownStart) {
                    // The fall ramp begins at start + rise + plateau.
                    add(i, ParamDach, a.text(), "Start + Anstiegszeit + Dachzeit = " + FormatGeneral(a.Value), pos);
                    if (values.Dach != 25)
                        values.Dach = 25;
                    else
                        values.RampUp = 1;
                    continue;
                }
                const std::optional<int> param = SignalParam(a.Reg);
                if (!param)
                    return;
                // The operator's value, not the one sent: a calibrated
                // amplitude carries the correction, the phase the start.
                add(i, *param, a.text(), FormatGeneral(values.Param(*param)), pos);
                values.Param(*param) = NeutralValues[static_cast<std::size_t>(*param)];
                // Neither may refuse again for the correction or the start.
                if (*param == ParamAmpl)
                    values.TabTyp = TypeSinus;
                if (*param == ParamPhase)
                    values.Start = 0;
            }
        }
    }

    static std::optional<int> SignalParam(Register reg)
    {
        switch (reg) {
        case Register::Frequency: return ParamFreq;
        case Register::Phase: return ParamPhase;
        case Register::Attenuation: return ParamAmpl;
        case Register::Start: return ParamStart;
        case Register::RampUp: return ParamRampUp;
        case Register::RampDown: return ParamRampDown;
        default: return std::nullopt;
        }
    }

    // Runs one device command on a line of its own; the register it
    // refused, if any.
    template <typename F>
    std::optional<Register> refused(F&& command, std::string& text)
    {
        try {
            command(device());
            return std::nullopt;
        } catch (const RegisterRangeError& a) {
            text = a.text();
            return a.Reg;
        }
    }

    void checkGlobals(int pos)
    {
        const ProjectGlobals& g = P.Globals;
        const auto global = [&](EditField field, int limitIndex, const std::string& name) {
            return evaluate(-1, name, limitIndex, GlobalText(g, field), pos);
        };
        const std::string lengthName(Params[ParamSignaldauer].name);
        const std::string startName(Params[ParamTriggerstart].name);
        const std::string stopName(Params[ParamTriggerstop].name);
        const std::string dampName(Params[ParamEndDamp].name);
        const std::string repeatsName = "Wiederholungen";

        const Evaluated length = global(EditField::Signaldauer, ParamSignaldauer, lengthName);
        const Evaluated trigStart = global(EditField::Triggerstart, ParamTriggerstart, startName);
        const Evaluated trigStop = global(EditField::Triggerstop, ParamTriggerstop, stopName);
        const Evaluated damp = global(EditField::EndDamp, ParamEndDamp, dampName);
        const Evaluated repeats = global(EditField::AnzWieder, -1, repeatsName);

        std::string text;
        if (length.value && refused([&](TTonvera& d) { d.SetSignalLength(true, *length.value); }, text))
            add(-1, lengthName, text, FormatGeneral(*length.value), pos);
        if (trigStart.value && trigStop.value) {
            const auto r = refused([&](TTonvera& d) { d.SetTriggerWindow(*trigStart.value, *trigStop.value); }, text);
            if (r == Register::TriggerStart) {
                add(-1, startName, text, FormatGeneral(*trigStart.value), pos);
                if (refused([&](TTonvera& d) { d.SetTriggerWindow(0, *trigStop.value); }, text))
                    add(-1, stopName, text, FormatGeneral(*trigStop.value), pos);
            } else if (r) {
                add(-1, stopName, text, FormatGeneral(*trigStop.value), pos);
            }
        }
        if (damp.value && refused([&](TTonvera& d) { d.SetEndDamp(SnapToStep(ParamEndDamp, *damp.value)); }, text))
            add(-1, dampName, text, FormatGeneral(*damp.value), pos);

        if (!repeats.value)
            return;
        // The count must fit 32 bits wherever it is used; the device takes
        // it only where it repeats each position itself.
        const double n = rnd(*repeats.value);
        if (!(n >= std::numeric_limits<std::int32_t>::min() && n <= std::numeric_limits<std::int32_t>::max())) {
            add(-1, repeatsName, RangeError().text(), FormatGeneral(*repeats.value), pos);
            return;
        }
        const bool varcheck = g.check(CheckBox::varcheck);
        const bool repeated = g.check(CheckBox::Repeated);
        const bool sent = varcheck ? Prio == Priority::Wiederzuerst : !repeated;
        if (sent && refused([&](TTonvera& d) { d.SetRepetitions(static_cast<long long>(n), false); }, text))
            add(-1, repeatsName, text, FormatGeneral(*repeats.value), pos);
    }

    const Project& P;
    const MainState& St;
    Priority Prio;
    SilentLine Line;
    NoPause Quiet;
    std::unique_ptr<TTonvera> Device;
    std::vector<Problem> Found;
};

} // namespace

std::vector<Problem> CheckProject(const Project& project, Priority priority)
{
    std::vector<Problem> found = Checker(project, priority).run();
    try {
        // Only the kind's own field is read, as at Start; a seed left
        // empty is drawn there.
        (void)ResolveOrder(project.Globals.Order, project.State.VariTable.PositionCount());
    } catch (const AbortError& e) {
        Problem p;
        p.parameter = "Reihenfolge";
        p.text = e.text();
        found.push_back(p);
    }
    std::vector<Problem> output = CheckOutput(project, priority);
    found.insert(found.end(), output.begin(), output.end());
    // Signal by signal, the globals last; within each the order found.
    std::stable_sort(found.begin(), found.end(), [](const Problem& a, const Problem& b) {
        const auto rank = [](const Problem& p) { return p.signal < 0 ? SignalSlots : p.signal; };
        return rank(a) < rank(b);
    });
    return found;
}

std::string FormatPositions(const std::vector<int>& positions)
{
    std::string out;
    for (std::size_t i = 0; i < positions.size();) {
        std::size_t j = i;
        while (j + 1 < positions.size() && positions[j + 1] == positions[j] + 1)
            ++j;
        if (!out.empty())
            out += ", ";
        out += std::to_string(positions[i]);
        if (j > i)
            out += "-" + std::to_string(positions[j]);
        i = j + 1;
    }
    return out;
}

std::string FormatProblem(const Problem& p)
{
    std::string s = p.warning ? "Warnung: " : "";
    if (p.signal >= 0)
        s += "Signal " + std::to_string(p.signal) + ", " + p.parameter;
    else
        s += p.parameter == OutputSubject ? p.parameter : "Global, " + p.parameter;
    if (!p.positions.empty())
        s += ", Position " + FormatPositions(p.positions);
    s += ": " + p.text;
    if (!p.value.empty())
        s += " (Wert " + p.value + ")";
    return s;
}

} // namespace tonvera::cli
