// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/CalibrationAssistant.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "files/EichFile.h"
#include "files/ProjectFile.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "model/ParamTable.h"
#include "model/TableFill.h"

namespace tonvera {

namespace {

// The longest tone a signal can hold: the plateau and the period both at
// their upper limit, so within a step the envelope never falls.
constexpr const char* SteadyMs = "150000";

std::string Text(double value) { return FormatGeneral(value); }
std::string Hz(double hz) { return IntegerText(hz) + " Hz"; }
std::string Db(double db) { return FormatFixed(db, 1) + " dB"; }

// The operator's set, globals and table, put back when a step ends however
// it ends; the tone's table stays with the device, which keeps its copy.
class KeepSetup {
public:
    explicit KeepSetup(MainCore& core) : Core(core), State(core.state()), Globals(ReadGlobals(core.form().view())) {}
    ~KeepSetup()
    {
        Core.form().replaceState(std::move(State));
        ApplyGlobals(Globals, Core.form().view());
        Core.form().ShowSignal();
        Core.form().EnableLocalEdits();
        Core.form().view().invalidateSignalDisplay();
    }
    KeepSetup(const KeepSetup&) = delete;
    KeepSetup& operator=(const KeepSetup&) = delete;

private:
    MainCore& Core;
    MainState State;
    ProjectGlobals Globals;
};

// The one signal, endless, as the window would hold it: slots before the
// channel mute (signals occupy the first slots), the rest unused. Their
// tables are what the device holds already, so only the sine goes out, and
// only once.
void SetUpTone(MainCore& core, const CalibrationSettings& s, double hz, const EichTable& table)
{
    MainState& st = core.state();
    for (int i = 0; i < SignalSlots; ++i) {
        SinusRecord& r = st.SinusArray[static_cast<std::size_t>(i)];
        r.SetDefaultTexts();
        r.Used = i <= s.Channel;
        r.TabTyp = TypeMute;
        r.Table = core.device().TableCache[static_cast<std::size_t>(i)];
    }
    SinusRecord& r = st.SinusArray[static_cast<std::size_t>(s.Channel)];
    r.TabTyp = TypeSinusEich;
    FillSine(r);
    r.Freq = Text(hz);
    r.Ampl = Text(s.Attenuation);
    r.Dach = SteadyMs;
    r.RampUp = Text(s.RampMs);
    st.SelectedSignal = s.Channel;
    st.EichTable = table;
    st.OverflowSeen = false;
    st.VariPos = 1;

    MainView& view = core.form().view();
    view.setEditText(EditField::Signaldauer, SteadyMs);
    view.setEditText(EditField::Triggerstart, "0");
    view.setEditText(EditField::Triggerstop, "1");
    view.setEditText(EditField::EndDamp, "0");
    view.setEditText(EditField::AnzWieder, "1");
    view.setChecked(CheckBox::Repeated, true);
    view.setChecked(CheckBox::varcheck, false);
    view.setChecked(CheckBox::ExternStart, false);
    core.form().ShowSignal();
}

bool InRange(double v, double lo, double hi) { return std::isfinite(v) && v >= lo && v <= hi; }

} // namespace

std::vector<double> PresetFrequencies(FrequencyPreset preset, const EichTable& current)
{
    switch (preset) {
    case FrequencyPreset::Octaves: return {125, 250, 500, 1000, 2000, 4000, 8000};
    case FrequencyPreset::ThirdOctaves:
        return {100,  125,  160,  200,  250,  315,  400,  500,  630,   800,   1000, 1250,
                1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000};
    case FrequencyPreset::Table: break;
    }
    std::vector<double> out;
    const int n = std::clamp<int>(current.count, 0, EichTable::MaxPoints);
    for (int i = 0; i < n; ++i) {
        const double f = rnd(current.frequencies[static_cast<std::size_t>(i)]);
        if (f > 0 && std::find(out.begin(), out.end(), f) == out.end())
            out.push_back(f);
    }
    std::sort(out.begin(), out.end());
    return out;
}

void CheckCalibrationSettings(const CalibrationSettings& s)
{
    const ParamSpec& freq = Params[ParamFreq];
    const ParamSpec& ampl = Params[ParamAmpl];
    if (s.Frequencies.empty())
        throw AbortError("Keine Frequenzen zum Messen angegeben");
    if (s.Frequencies.size() > static_cast<std::size_t>(EichTable::MaxPoints))
        throw AbortError("Mehr als 501 Frequenzen angegeben");
    for (double f : s.Frequencies)
        if (!InRange(f, freq.min, freq.max) || f != rnd(f))
            throw AbortError("Frequenz " + Text(f) + " Hz: ganze Hertz zwischen " + Text(freq.min) + " und " +
                             Text(freq.max) + " erwartet");
    if (!InRange(s.Attenuation, ampl.min, ampl.max))
        throw AbortError("Dämpfung " + Text(s.Attenuation) + " dB liegt nicht zwischen " + Text(ampl.min) + " und " +
                         Text(ampl.max) + " dB");
    if (s.Channel < 0 || s.Channel >= SignalSlots)
        throw AbortError("Kanal " + std::to_string(s.Channel + 1) + " gibt es nicht (1 bis 8)");
    if (!std::isfinite(s.LevelAt0dB) || !std::isfinite(s.MaxLevel))
        throw AbortError("Pegel bei 0 dB und Höchstpegel müssen Zahlen sein");
    if (!InRange(s.Tolerance, 0.01, 100))
        throw AbortError("Toleranz " + Text(s.Tolerance) + " dB: zwischen 0,01 und 100 dB erwartet");
    if (!InRange(s.MeasureSeconds, 0.05, 600))
        throw AbortError("Messzeit " + Text(s.MeasureSeconds) + " s: zwischen 0,05 und 600 s erwartet");
    if (!InRange(s.RampMs, Params[ParamRampUp].min, Params[ParamRampUp].max))
        throw AbortError("Anstiegszeit " + Text(s.RampMs) + " ms liegt außerhalb des Bereichs");
}

CalibrationAssistant::CalibrationAssistant(MainCore& core, LevelSource& source, Pause& wait,
                                           CalibrationSettings settings)
    : Core(core), Source(source), Wait(wait), Settings(std::move(settings))
{
    CheckCalibrationSettings(Settings);
    const double target = Settings.LevelAt0dB - Settings.Attenuation;
    for (double f : Settings.Frequencies) {
        CalibrationStep step;
        step.Frequency = f;
        step.Target = target;
        Steps.push_back(step);
    }
}

double CalibrationAssistant::ExpectedLevel(double hz, const EichTable& table) const
{
    // As the download sends it: a negative sum goes out as 0 dB.
    return Settings.LevelAt0dB - std::max(0.0, Settings.Attenuation + EichCorrection(table, hz));
}

void CalibrationAssistant::ThrowIfStopped() const
{
    if (Stopping)
        throw AbortError(CalibrationStoppedText);
}

double CalibrationAssistant::Play(double hz, const EichTable& table)
{
    ThrowIfStopped();
    const double expected = ExpectedLevel(hz, table);
    if (expected > Settings.MaxLevel)
        throw AbortError("Schritt " + Hz(hz) + " nicht gespielt: erwarteter Pegel " + Db(expected) +
                         " SPL über dem Höchstpegel von " + Db(Settings.MaxLevel) + " SPL");

    // The device stops however the step ends; Stop is the window's own, so
    // the run's end is told as for any run.
    struct StopAtEnd {
        MainCore& core;
        ~StopAtEnd()
        {
            if (core.device().Running)
                core.Button4Click();
        }
    };
    KeepSetup keep(Core);
    StopAtEnd stop{Core};
    SetUpTone(Core, Settings, hz, table);
    Core.StartButtonClick();
    ThrowIfStopped();
    // A Start that could not reach the device has been reported already;
    // measuring the silence would give a table that is wrong everywhere.
    if (!Core.device().Running)
        throw AbortError("Schritt " + Hz(hz) + ": das Gerät spielt nicht");
    Wait.pause(static_cast<int>(std::ceil(Settings.RampMs)));
    ThrowIfStopped();
    const double level = Source.measure(hz, Settings.MeasureSeconds);
    ThrowIfStopped();
    if (!std::isfinite(level))
        throw AbortError("Schritt " + Hz(hz) + ": kein Pegel gemessen");
    return level;
}

void CalibrationAssistant::MeasureThrough(std::size_t i, const EichTable& table)
{
    CalibrationStep& step = Steps.at(i);
    const double level = Play(step.Frequency, table);
    // What was sent is what the level answers: the correction that makes
    // the device give the target is the sent attenuation's excess over the
    // attenuation it really had.
    const double sent = Settings.LevelAt0dB - ExpectedLevel(step.Frequency, table);
    step.Correction = sent - Settings.Attenuation + (level - step.Target);
    // The level the requested attenuation alone gives, also for a step
    // measured again through a correction.
    step.Before = step.Target + step.Correction;
    step.Measured = true;
    step.Checked = false;
}

void CalibrationAssistant::Measure(std::size_t i) { MeasureThrough(i, Table()); }

void CalibrationAssistant::MeasureAll(const std::function<void(std::size_t)>& after)
{
    const EichTable before = Table();
    for (std::size_t i = 0; i < Steps.size(); ++i) {
        if (Steps[i].Measured)
            continue;
        MeasureThrough(i, before);
        if (after)
            after(i);
    }
}

void CalibrationAssistant::Check(std::size_t i)
{
    CalibrationStep& step = Steps.at(i);
    if (!step.Measured)
        throw AbortError("Schritt " + Hz(step.Frequency) + " ist noch nicht gemessen");
    step.After = Play(step.Frequency, Table());
    step.Checked = true;
}

void CalibrationAssistant::CheckAll()
{
    for (std::size_t i = 0; i < Steps.size(); ++i)
        Check(i);
}

EichTable CalibrationAssistant::Table() const
{
    std::vector<std::pair<double, double>> points;
    for (const CalibrationStep& s : Steps)
        if (s.Measured)
            points.emplace_back(s.Frequency, s.Correction);
    std::sort(points.begin(), points.end());
    EichTable table;
    table.count = static_cast<std::int32_t>(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        table.frequencies[i] = points[i].first;
        table.corrections[i] = points[i].second;
    }
    // Through the file's own form: the table checked is the table saved.
    EichTable stored;
    ParseEichFile(EichFileBytes(table), '.', "", stored);
    return stored;
}

bool CalibrationAssistant::Passed() const
{
    return std::all_of(Steps.begin(), Steps.end(), [&](const CalibrationStep& s) {
        return s.Measured && s.Checked && std::abs(s.Deviation()) <= Settings.Tolerance;
    });
}

std::vector<std::size_t> CalibrationAssistant::Failed() const
{
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < Steps.size(); ++i)
        if (Steps[i].Checked && std::abs(Steps[i].Deviation()) > Settings.Tolerance)
            out.push_back(i);
    return out;
}

void CalibrationAssistant::Adopt(const std::string& calFile)
{
    if (!Passed())
        throw AbortError("Die Kalibrierung hat die Prüfung nicht bestanden und wird nicht übernommen");
    Core.state().EichTable = Table();
    Core.files().SaveEichFile(calFile);
}

void CalibrationAssistant::RequestStop()
{
    Stopping = true;
    if (Core.device().Running)
        Core.Button4Click();
}

} // namespace tonvera
