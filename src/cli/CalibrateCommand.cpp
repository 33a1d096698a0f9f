// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera-cli calibrate: the calibration assistant on the terminal.

#include <cmath>
#include <csignal>
#include <iostream>
#include <memory>

#include "CalibrationPasses.h"
#include "Commands.h"
#include "StopSignal.h"
#include "RunSession.h"
#include "audio/MicLevelSource.h"
#include "device/SleepPause.h"
#include "model/Numbers.h"
#include "run/CalibrationRecord.h"
#include "run/MeterLevelSource.h"

namespace tonvera::cli {

namespace {

std::string Db(double v) { return FormatFixed(v, 2); }

class TerminalMeter : public MeterReadings {
public:
    TerminalMeter(std::istream& in, std::ostream& out) : In(in), Out(out) {}
    std::optional<double> reading(double hz) override
    {
        for (;;) {
            Out << MeterPrompt(hz) << std::flush;
            std::string line;
            // Ctrl-C, Ctrl-D or an empty line: the operator stops.
            if (StopRequested() || !std::getline(In, line) || StopRequested() ||
                line.find_first_not_of(" \t\r") == std::string::npos)
                return std::nullopt;
            // A point or a comma, whichever the operator types.
            for (char& c : line)
                if (c == ',')
                    c = '.';
            const ParsedNumber n = TryConvertNumber(line, '.');
            if (n.valid && std::isfinite(n.value))
                return n.value;
            Out << "'" << ConsoleText(line) << "' ist keine Zahl" << std::endl;
        }
    }

private:
    std::istream& In;
    std::ostream& Out;
};

} // namespace

bool MeasureAndCheck(CalibrationAssistant& a, std::ostream& out, const std::function<bool()>& stop, int rounds)
{
    const auto halt = [&] {
        if (stop())
            a.RequestStop();
    };
    halt();
    a.MeasureAll([&](std::size_t i) {
        halt();
        out << "Messung " << IntegerText(a.steps()[i].Frequency) << " Hz: " << Db(a.steps()[i].Before)
            << " dB SPL, Korrektur " << Db(a.steps()[i].Correction) << " dB" << std::endl;
    });
    for (int round = 0;; ++round) {
        for (std::size_t i = 0; i < a.steps().size(); ++i) {
            if (a.steps()[i].Checked && std::abs(a.steps()[i].Deviation()) <= a.settings().Tolerance)
                continue;
            halt();
            a.Check(i);
            out << "Prüfung " << IntegerText(a.steps()[i].Frequency) << " Hz: " << Db(a.steps()[i].After)
                << " dB SPL, Abweichung " << Db(a.steps()[i].Deviation()) << " dB" << std::endl;
        }
        if (a.Passed() || round + 1 >= rounds)
            return a.Passed();
        out << "Außerhalb der Toleranz: " << FailedStepsText(a) << "; neu gemessen" << std::endl;
        for (std::size_t i : a.Failed()) {
            halt();
            a.Measure(i);
        }
    }
}

std::string FailedStepsText(const CalibrationAssistant& a)
{
    std::string text;
    for (std::size_t i : a.Failed())
        text += (text.empty() ? "" : ", ") + IntegerText(a.steps()[i].Frequency) + " Hz";
    return text;
}

int RunCalibrate(const CliOptions& o, std::istream& in, std::ostream& out, std::ostream& err)
{
    InstallStopHandlers();
    CalibrationSettings s;
    if (!o.frequencies.empty())
        s.Frequencies = o.frequencies;
    if (o.attenuation)
        s.Attenuation = *o.attenuation;
    if (o.maxLevel)
        s.MaxLevel = *o.maxLevel;
    if (o.levelAt0dB)
        s.LevelAt0dB = *o.levelAt0dB;
    try {
        CheckCalibrationSettings(s);
    } catch (const AbortError& e) {
        err << "tonvera-cli: " << ConsoleText(e.text()) << std::endl;
        return ExitUsage;
    }

    RunSession session(out, err);
    session.core().device().Interrupted = [] { return StopRequested(); };
    if (!session.initHardware(*o.port)) {
        session.close();
        return StopRequested() ? ExitInterrupted : ExitProblems;
    }

    TerminalMeter terminal(in, out);
    MeterLevelSource meter(terminal);
    std::unique_ptr<audio::MicLevelSource> mic;
    std::string source = MeterSourceName, reference;
    int code = ExitProblems;
    try {
        if (o.mic) {
            mic = std::make_unique<audio::MicLevelSource>(*o.mic);
            source = std::string(MicSourceName) + " " + *o.mic;
            if (o.micSensitivity) {
                mic->setSensitivity(*o.micSensitivity);
            } else {
                out << "Kalibrator (94 dB SPL, 1000 Hz) auf das Mikrofon setzen, dann Enter: " << std::flush;
                std::string line;
                if (!std::getline(in, line) || StopRequested())
                    throw AbortError(CalibrationStoppedText);
                const double sens = mic->calibrate(1000, 94, s.MeasureSeconds);
                reference = "Kalibrator 94 dB SPL bei 1000 Hz";
                out << "Mikrofonempfindlichkeit: " << Db(sens) << " dBFS bei 94 dB SPL" << std::endl;
            }
        }
        SleepPause wait;
        CalibrationAssistant a(session.core(), mic ? static_cast<LevelSource&>(*mic) : meter, wait, s);
        if (MeasureAndCheck(a, out, [] { return StopRequested(); })) {
            a.Adopt(*o.out);
            CalibrationRecord record =
                MakeCalibrationRecord(a, source, mic ? mic->sensitivity() : std::nullopt, reference);
            record.CalFile = *o.out;
            const RecordFiles files = WriteCalibrationRecord(record);
            out << "Kalibrierung gespeichert: " << *o.out << " (Protokoll " << files.Text << ", Kurven " << files.Plot
                << ")" << std::endl;
            code = ExitOk;
        } else {
            err << "Kalibrierung nicht bestanden, nicht gespeichert; außerhalb der Toleranz: " << FailedStepsText(a)
                << std::endl;
        }
    } catch (const AbortError& e) {
        err << "Fehler: " << ConsoleText(e.text()) << std::endl;
        code = StopRequested() || e.text() == CalibrationStoppedText ? ExitInterrupted : ExitProblems;
    }
    session.close();
    return code;
}

} // namespace tonvera::cli
