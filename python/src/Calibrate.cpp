// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera.calibrate: the calibration assistant on a Generator's port, the
// level read from a callable (the sound level meter) or a microphone.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <sstream>

#include "Bindings.h"
#include "Calibration.h"
#include "CalibrationPasses.h"
#include "Generator.h"
#include "Paths.h"
#include "audio/MicLevelSource.h"
#include "device/SleepPause.h"
#include "run/CalibrationRecord.h"
#include "run/MeterLevelSource.h"

namespace tonvera::python {

namespace py = pybind11;

namespace {

// The meter's readings from a callable: hz -> dB SPL, None to break off.
class CallableMeter : public MeterReadings {
public:
    explicit CallableMeter(py::object f) : F(std::move(f)) {}
    std::optional<double> reading(double hz) override
    {
        py::object r = F(hz);
        if (r.is_none())
            return std::nullopt;
        return r.cast<double>();
    }

private:
    py::object F;
};

py::dict RecordDict(const CalibrationRecord& r, bool passed)
{
    py::dict d;
    d["date"] = r.Date;
    d["source"] = r.Source;
    d["mic_sensitivity"] = r.MicSensitivity ? py::object(py::float_(*r.MicSensitivity)) : py::none();
    d["reference"] = r.Reference;
    d["level_at_0db"] = r.Settings.LevelAt0dB;
    d["attenuation"] = r.Settings.Attenuation;
    d["tolerance"] = r.Settings.Tolerance;
    d["passed"] = passed;
    py::list steps;
    for (const CalibrationStep& s : r.Steps) {
        py::dict st;
        st["frequency"] = s.Frequency;
        st["target"] = s.Target;
        st["before"] = s.Measured ? py::object(py::float_(s.Before)) : py::none();
        st["correction"] = s.Measured ? py::object(py::float_(s.Correction)) : py::none();
        st["after"] = s.Checked ? py::object(py::float_(s.After)) : py::none();
        st["deviation"] = s.Checked ? py::object(py::float_(s.Deviation())) : py::none();
        steps.append(st);
    }
    d["steps"] = steps;
    return d;
}

py::tuple Calibrate(Generator& generator, const py::object& meter, const std::optional<std::string>& mic,
                    std::optional<double> micSensitivity, const std::optional<std::vector<double>>& frequencies,
                    double at, double maxLevel, double levelAt0dB, double tolerance, double seconds,
                    const std::optional<PathText>& out)
{
    if (meter.is_none() == !mic.has_value())
        throw AbortError("calibrate braucht entweder meter= oder mic=");
    CalibrationSettings s;
    if (frequencies)
        s.Frequencies = *frequencies;
    s.Attenuation = at;
    s.MaxLevel = maxLevel;
    s.LevelAt0dB = levelAt0dB;
    s.Tolerance = tolerance;
    s.MeasureSeconds = seconds;

    cli::RunSession& session = generator.openSession();
    CallableMeter readings(meter);
    MeterLevelSource meterSource(readings);
    std::unique_ptr<audio::MicLevelSource> micSource;
    std::string source = MeterSourceName, reference;
    if (mic) {
        micSource = std::make_unique<audio::MicLevelSource>(*mic);
        source = std::string(MicSourceName) + " " + *mic;
        if (micSensitivity) {
            micSource->setSensitivity(*micSensitivity);
        } else {
            micSource->calibrate(1000, 94, seconds);
            reference = "Kalibrator 94 dB SPL bei 1000 Hz";
        }
    }
    SleepPause wait;
    CalibrationAssistant a(session.core(), micSource ? static_cast<LevelSource&>(*micSource) : meterSource, wait, s);
    std::ostringstream progress;
    const bool passed = cli::MeasureAndCheck(a, progress, [] {
        if (PyErr_CheckSignals() != 0)
            throw py::error_already_set();
        return false;
    });
    CalibrationRecord record =
        MakeCalibrationRecord(a, source, micSource ? micSource->sensitivity() : std::nullopt, reference);
    py::dict dict = RecordDict(record, passed);
    if (out) {
        if (!passed)
            throw AbortError("Kalibrierung nicht bestanden, nicht gespeichert; außerhalb der Toleranz: " +
                             cli::FailedStepsText(a));
        a.Adopt(out->value);
        record.CalFile = out->value;
        const RecordFiles files = WriteCalibrationRecord(record);
        dict["record_file"] = files.Text;
        dict["plot_file"] = files.Plot;
    }
    Calibration table;
    table.Table = a.Table();
    return py::make_tuple(table, dict);
}

} // namespace

void BindCalibrate(py::module_& m)
{
    m.def("calibrate", &Calibrate, py::arg("generator"), py::kw_only(), py::arg("meter") = py::none(),
          py::arg("mic") = py::none(), py::arg("mic_sensitivity") = py::none(), py::arg("frequencies") = py::none(),
          py::arg("at") = 30.0, py::arg("max") = 90.0, py::arg("level_at_0db") = 100.0, py::arg("tolerance") = 1.0,
          py::arg("seconds") = 2.0, py::arg("out") = py::none(),
          "Measures the calibration table on the generator: for each frequency (octaves 125 Hz to 8 kHz unless "
          "given) a calibrated sine plays at `at` dB and its level is read from `meter` (a callable taking the "
          "frequency in Hz and returning the reading in dB SPL, or None to stop) or the ALSA capture device "
          "`mic` (with `mic_sensitivity`, the dBFS that 94 dB SPL gives, or else a 94 dB SPL calibrator at "
          "1 kHz measured first). A check pass follows; failed steps are measured again. A step whose expected "
          "level lies above `max` is never played. Returns (Calibration, record dict); with `out` the table "
          "(only when the check passed) is saved there with its record and plot beside it.");
}

} // namespace tonvera::python
