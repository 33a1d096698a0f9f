// SPDX-License-Identifier: GPL-3.0-or-later
// The extension module behind the package tonvera: projects, checks,
// simulation, rendering, calibration and the device, all by the core that
// the window and tonvera-cli use. The package's __init__.py adds the
// emulator process and re-exports these names.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>

#include "Bindings.h"
#include "Calibration.h"
#include "Errors.h"
#include "Generator.h"
#include "Paths.h"
#include "ProjectCheck.h"
#include "Rendering.h"
#include "device/PortDiscovery.h"
#include "model/Numbers.h"
#include "model/SinusRecord.h"

namespace py = pybind11;
using namespace tonvera;
using namespace tonvera::python;

namespace {

const char* Bool(bool b) { return b ? "True" : "False"; }

std::string CalibrationRepr(const Calibration& c)
{
    const auto points = c.points();
    std::string out = "<Calibration " + std::to_string(points.size()) + (points.size() == 1 ? " point" : " points");
    if (!points.empty()) {
        const auto [lo, hi] = std::minmax_element(points.begin(), points.end());
        out += ", " + FormatGeneral(lo->first, 6, '.') + " to " + FormatGeneral(hi->first, 6, '.') + " Hz";
    }
    return out + ">";
}

// The ports as `tonvera-cli ports --json` lists them, with its field names.
py::list Ports()
{
    py::list out;
    for (const SerialPortInfo& p : AvailablePorts("/", EmulatorLink())) {
        py::dict d;
        d["path"] = p.path;
        d["device"] = p.device;
        d["description"] = p.description;
        d["vendorId"] = p.vendorId;
        d["productId"] = p.productId;
        d["manufacturer"] = p.manufacturer;
        d["product"] = p.product;
        d["serial"] = p.serial;
        out.append(d);
    }
    return out;
}

} // namespace

PYBIND11_MODULE(_core, m)
{
    m.doc() = "The Tonvera core: projects, checks, simulation, rendering and the signal generator.";
    RegisterErrors(m);

    m.def("ports", &Ports,
          "The serial ports the hardware dialog offers, as `tonvera-cli ports --json` lists them: one dict per "
          "port with path (what to open), device, description, vendorId, productId, manufacturer, product and "
          "serial (empty where a port has no such thing); a running emulator at its usual link comes last.");

    py::enum_<SignalType>(m, "SignalType", "The signal types of the group \"Signaltyp\".")
        .value("NONE", TypeNone)
        .value("SINE", TypeSinus)
        .value("SINE_CALIBRATED", TypeSinusEich)
        .value("AM", TypeAM)
        .value("RECTANGLE", TypeRechteck)
        .value("NOISE", TypeRauschen)
        .value("MUTE", TypeMute);

    py::class_<Calibration>(m, "Calibration", "A calibration table: frequencies with their level correction in dB.")
        .def(py::init<>(), "An empty table (no correction).")
        .def_static(
            "load", [](const PathText& path) { return Calibration::load(path.value); }, py::arg("path"),
            "Reads a calibration file (.cal); FileNotFound when it is not there.")
        .def(
            "save", [](const Calibration& c, const PathText& path) { c.save(path.value); }, py::arg("path"),
            "Writes the table to a calibration file, atomically.")
        .def_property("points", &Calibration::points, &Calibration::setPoints,
                      "The points as (frequency in Hz, correction in dB) pairs; at most 501, finite values.")
        .def("correction", &Calibration::correction, py::arg("freq"),
             "The correction in dB at a frequency in Hz: linear between the points, constant beyond them.")
        .def("__len__", [](const Calibration& c) { return c.points().size(); })
        .def("__repr__", &CalibrationRepr);

    py::class_<cli::Problem>(m, "Problem", "One problem of a check, gathered over the positions where it occurs.")
        .def_property_readonly(
            "signal",
            [](const cli::Problem& p) -> py::object {
                return p.signal < 0 ? py::none() : py::object(py::int_(p.signal));
            },
            "The signal 0..7, or None for a global parameter.")
        .def_readonly("parameter", &cli::Problem::parameter, "The parameter's name as the window labels it.")
        .def_readonly("positions", &cli::Problem::positions, "The variable positions (from 1) where it occurs.")
        .def_readonly("message", &cli::Problem::text, "The program's message.")
        .def_property_readonly(
            "value",
            [](const cli::Problem& p) -> py::object {
                return p.value.empty() ? py::none() : py::object(py::str(p.value));
            },
            "The evaluated value as the program writes it, when there is one.")
        .def_readonly("warning", &cli::Problem::warning, "True when the device plays it anyway.")
        .def("__str__", &cli::FormatProblem)
        .def("__repr__", [](const cli::Problem& p) { return "<Problem " + cli::FormatProblem(p) + ">"; });

    py::class_<Rendering>(m, "Rendering", "The outputs of a whole run as the device plays them.")
        .def_readonly("signal", &Rendering::signal,
                      "The signal output per sample, float32; the converter's full scale is -1.0 to 1.0.")
        .def_readonly("trigger", &Rendering::trigger, "The trigger output per sample (bool).")
        .def_readonly("overflow", &Rendering::overflow, "The device reported overflow or a sample left the range.")
        .def_readonly("rate", &Rendering::rate, "Samples per second (Hz).")
        .def_readonly("cut", &Rendering::cut, "The output was cut at max_seconds.")
        .def_readonly("runs", &Rendering::runs, "(length in seconds, overflow) of each run the device played.")
        .def("__repr__", [](const Rendering& r) {
            const auto n = r.signal.size();
            return "<Rendering " + std::to_string(n) + " samples at " + FormatGeneral(r.rate, 6, '.') + " Hz (" +
                   FormatGeneral(r.rate > 0 ? static_cast<double>(n) / r.rate : 0.0, 6, '.') + " s), " +
                   std::to_string(r.runs.size()) + (r.runs.size() == 1 ? " run" : " runs") +
                   ", overflow=" + Bool(r.overflow) + (r.cut ? ", cut" : "") + ">";
        });

    BindProject(m);
    BindCalibrate(m);

    py::class_<SignalSent>(m, "SentSignal", "One signal in use as the device got it at a presentation's start.")
        .def_readonly("slot", &SignalSent::Slot, "The signal 0..7.")
        .def_property_readonly(
            "type", [](const SignalSent& s) { return std::string(SignalTypeName(s.Type)); },
            "The signal type's name as the journal writes it.")
        .def_readonly("frequency", &SignalSent::FreqHz, "Hz.")
        .def_readonly("phase", &SignalSent::Phase, "Degrees, as typed.")
        .def_readonly("attenuation", &SignalSent::AttenuationRequested, "dB as the parameter asks; -1 is mute.")
        .def_readonly("attenuation_sent", &SignalSent::AttenuationSent, "dB as sent, after the calibration.")
        .def_readonly("clamped", &SignalSent::Clamped, "The calibration asked for less than 0 dB; 0 dB was sent.")
        .def_readonly("start", &SignalSent::StartMs, "ms.")
        .def_readonly("plateau", &SignalSent::PlateauMs, "ms.")
        .def_readonly("rise", &SignalSent::RiseMs, "ms.")
        .def_readonly("fall", &SignalSent::FallMs, "ms.")
        .def("__repr__", [](const SignalSent& s) {
            return "<SentSignal " + std::to_string(s.Slot) + " " + SignalTypeName(s.Type) + " " +
                   FormatGeneral(s.FreqHz, 6, '.') + " Hz, " + FormatGeneral(s.AttenuationSent, 6, '.') + " dB sent>";
        });

    py::class_<GlobalsSent>(m, "SentGlobals", "The values of the whole set as the device got them.")
        .def_readonly("length", &GlobalsSent::LengthMs, "The signal length in ms.")
        .def_readonly("trigger_start", &GlobalsSent::TriggerStartMs, "ms.")
        .def_readonly("trigger_stop", &GlobalsSent::TriggerStopMs, "ms.")
        .def_readonly("end_damp", &GlobalsSent::EndDampDb, "The final attenuation in dB.")
        .def_readonly("repetitions", &GlobalsSent::Repetitions, "The device's repetitions.")
        .def_readonly("endless", &GlobalsSent::Endless, "The device repeats until Stop.")
        .def("__repr__", [](const GlobalsSent& g) {
            return "<SentGlobals " + FormatGeneral(g.LengthMs, 6, '.') + " ms, " + std::to_string(g.Repetitions) +
                   (g.Repetitions == 1 ? " repetition" : " repetitions") + (g.Endless ? ", endless" : "") + ">";
        });

    py::class_<Presentation>(m, "Presentation",
                             "One presentation of a run: what the device got as it started, and how it ended.")
        .def_property_readonly(
            "run", [](const Presentation& p) { return p.Started.Run; }, "Runs since the Generator opened, from 1.")
        .def_property_readonly(
            "number", [](const Presentation& p) { return p.Started.Number; }, "Presentations of the run, from 1.")
        .def_property_readonly(
            "position", [](const Presentation& p) { return p.Started.Position; }, "The variable position, from 1.")
        .def_property_readonly(
            "time", [](const Presentation& p) { return p.Started.At.Wall; },
            "When the start packet had left this computer: ISO 8601 with milliseconds and UTC offset.")
        .def_property_readonly(
            "monotonic", [](const Presentation& p) { return p.Started.At.Monotonic; },
            "The same moment in seconds of the monotonic clock (time.monotonic()).")
        .def_property_readonly(
            "signals", [](const Presentation& p) { return p.Started.Signals; },
            "The signals in use as SentSignal objects, by slot.")
        .def_property_readonly(
            "globals", [](const Presentation& p) { return p.Started.Globals; }, "The set's values as SentGlobals.")
        .def_property_readonly(
            "variables",
            [](const Presentation& p) {
                py::dict d;
                for (const auto& [name, value] : p.Started.Variables)
                    d[py::str(name)] = py::str(value);
                return d;
            },
            "Every variable's name and its value text at this position.")
        .def_property_readonly(
            "end",
            [](const Presentation& p) -> py::object {
                return p.Ended ? py::object(py::str(EndReasonName(p.Ended->Reason))) : py::none();
            },
            "How it ended, as the journal names it; None when its end was not seen.")
        .def_property_readonly(
            "end_time",
            [](const Presentation& p) -> py::object {
                return p.Ended ? py::object(py::str(p.Ended->At.Wall)) : py::none();
            },
            "When it ended, as time; None when its end was not seen.")
        .def_property_readonly(
            "end_monotonic",
            [](const Presentation& p) -> py::object {
                return p.Ended ? py::object(py::float_(p.Ended->At.Monotonic)) : py::none();
            },
            "When it ended, as monotonic; None when its end was not seen.")
        .def_property_readonly(
            "overflow", [](const Presentation& p) { return p.Ended && p.Ended->Overflow; },
            "The device reported overflow while it played.")
        .def_property_readonly(
            "clamped", [](const Presentation& p) { return p.Ended && p.Ended->Clamped; },
            "A calibrated level was held at 0 dB.")
        .def("__repr__", [](const Presentation& p) {
            return "<Presentation " + std::to_string(p.Started.Number) + " at position " +
                   std::to_string(p.Started.Position) + ", " + p.Started.At.Wall +
                   (p.Ended ? std::string(", ") + EndReasonName(p.Ended->Reason) : std::string()) + ">";
        });

    py::class_<PlayResult>(m, "PlayResult", "How a run ended, and what it presented.")
        .def_readonly("overflow", &PlayResult::overflow, "The device reported overflow.")
        .def_readonly("clamped", &PlayResult::clamped, "A calibrated level was limited to 0 dB attenuation.")
        .def_readonly("seed", &PlayResult::seed, "The seed of a random order through the positions, else None.")
        .def_readonly("presentations", &PlayResult::presentations,
                      "The run's presentations in order, as Presentation objects.")
        // Unpacks as (overflow, clamped), as before the presentations came.
        .def("__iter__", [](const PlayResult& r) { return py::iter(py::make_tuple(r.overflow, r.clamped)); })
        .def("__repr__", [](const PlayResult& r) {
            const std::size_t n = r.presentations.size();
            return std::string("PlayResult(overflow=") + Bool(r.overflow) + ", clamped=" + Bool(r.clamped) + ", " +
                   std::to_string(n) + (n == 1 ? " presentation)" : " presentations)");
        });

    py::class_<Generator>(m, "Generator", "The signal generator on a serial port.")
        .def(py::init([](const PathText& port, const std::optional<PathText>& firmware, const py::handle& cal,
                         ProjectObject* project, py::object progress, const std::optional<PathText>& journal) {
                 std::optional<std::string> fw;
                 if (firmware)
                     fw = firmware->value;
                 std::optional<std::string> log;
                 if (journal)
                     log = journal->value;
                 return std::make_unique<Generator>(port.value, fw, cal, project, std::move(progress), log);
             }),
             py::arg("port"), py::arg("firmware") = py::none(), py::arg("cal") = py::none(), py::kw_only(),
             py::arg("project") = py::none(), py::arg("progress") = py::none(), py::arg("journal") = py::none(),
             "Opens the port and does what \"Hardware initialisieren\" does. DeviceBusy when another program "
             "holds the port, DeviceNotFound when no device answers; Ctrl-C breaks an upload off. journal: a "
             "file the experiment journal is appended to while the Generator is open (one tab-separated line "
             "as each presentation starts and one as it ends); one that cannot be written is reported once as "
             "a UserWarning and the runs go on.")
        .def("download", &Generator::download, py::arg("project"),
             "The whole set of the project to the device; tables it holds already are not sent again.")
        .def("play", &Generator::play, py::arg("project"), py::arg("variables_first") = false,
             py::arg("timeout") = py::none(), py::arg("on_position") = py::none(), py::arg("order") = py::none(),
             py::arg("seed") = py::none(),
             "A whole run as the window runs it. timeout: seconds, a positive number (one beyond what the clock "
             "counts is no limit); None: twice the run's length plus 30 s, no limit for an endless run. order, "
             "seed: as Project.order and Project.seed, for this run only; None keeps the project's.")
        .def("start", &Generator::start, "The window's Start.")
        .def("stop", &Generator::stop, "The window's Stop.")
        .def("status", &Generator::status,
             "The device's status byte, 0..255: bit 3 (8) the run has ended, bit 4 (16) the external input's "
             "level, bit 7 (128) overflow.")
        .def("goto", &Generator::gotoPosition, py::arg("position"),
             "Steps with << and >> to a position, 1 to the positions of the project last downloaded or played.")
        .def_property_readonly("position", &Generator::position, "The variable position, from 1.")
        .def_property_readonly(
            "port", [](const Generator& g) { return PathText{g.port()}; }, "The port as it was named.")
        .def_property_readonly("is_open", &Generator::isOpen, "False once closed.")
        .def_property_readonly("messages", &Generator::messages, "The texts of the message boxes so far.")
        .def("close", &Generator::close, "Stops the device and closes the port.")
        .def(
            "__enter__", [](Generator& g) -> Generator& { return g; }, py::return_value_policy::reference)
        .def("__exit__",
             [](Generator& g, const py::args&) {
                 g.close();
                 return false;
             })
        .def("__repr__", [](const Generator& g) {
            const std::string port = py::repr(py::cast(PathText{g.port()})).cast<std::string>();
            if (!g.isOpen())
                return "<Generator " + port + " closed>";
            return "<Generator " + port + " open, position " + std::to_string(g.position()) + ">";
        });
}
