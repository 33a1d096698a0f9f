// The extension module behind the package tonvera: projects, checks,
// simulation, rendering, calibration and the device, all by the core that
// the window and tonvera-cli use. The package's __init__.py adds the
// emulator process and re-exports these names.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>

#include "Calibration.h"
#include "ConsoleDialogs.h"
#include "Generator.h"
#include "ProjectCheck.h"
#include "ProjectInput.h"
#include "ProjectObject.h"
#include "ProjectSimulation.h"
#include "Rendering.h"
#include "files/TextFile.h"
#include "model/Errors.h"
#include "model/QuietDialogs.h"
#include "model/Numbers.h"
#include "model/TableFill.h"

namespace py = pybind11;
using namespace tonvera;
using namespace tonvera::python;

namespace {

using ProjectPtr = std::shared_ptr<ProjectObject>;

// A parameter text as the operator would type it; numbers are written in
// the program's own form (decimal comma).
std::string TextOf(const py::handle& value)
{
    if (py::isinstance<py::str>(value))
        return value.cast<std::string>();
    if (py::isinstance<py::bool_>(value))
        throw py::type_error("a parameter is a text or a number");
    if (py::isinstance<py::int_>(value))
        return py::str(value).cast<std::string>();
    if (py::isinstance<py::float_>(value)) {
        const double v = value.cast<double>();
        if (!std::isfinite(v))
            throw ConvertError(py::str(value).cast<std::string>());
        return FormatGeneral(v, 15);
    }
    throw py::type_error("a parameter is a text or a number");
}

struct SignalView {
    ProjectPtr P;
    int Index;

    SinusRecord& rec() { return P->mutableValue().State.SinusArray[static_cast<std::size_t>(Index)]; }

    // The radio buttons of "Signaltyp": the table is filled when the type
    // changes; a muted signal keeps the table of its previous type.
    void setType(SignalType type)
    {
        if (type < TypeSinus || type > TypeMute)
            throw RangeError();
        P->value(); // the script's table edits first, so Mute keeps them
        SinusRecord& r = rec();
        if (r.TabTyp == type)
            return;
        switch (type) {
        case TypeSinus:
        case TypeSinusEich: FillSine(r); break;
        case TypeAM: FillAM(r, r.TabPara); break;
        case TypeRechteck: FillRect(r); break;
        case TypeRauschen: FillNoise(r, P->mutableValue().State.NoiseSeed); break;
        default: break;
        }
        r.TabTyp = type;
        P->tableFilled(Index);
    }

    // The AM "Set" button: a new multiple fills an AM table again.
    void setCarrier(double m)
    {
        if (!std::isfinite(m))
            throw ConvertError(FormatGeneral(m));
        SinusRecord& r = rec();
        r.TabPara = m;
        if (r.TabTyp == TypeAM) {
            FillAM(r, m);
            P->tableFilled(Index);
        }
    }

    // The signals in use occupy slots 0..n-1, as the window keeps them.
    void setUsed(bool used)
    {
        auto& signals = P->mutableValue().State.SinusArray;
        SinusRecord& r = rec();
        if (r.Used == used)
            return;
        if (used) {
            for (int j = 0; j < Index; ++j)
                if (!signals[static_cast<std::size_t>(j)].Used)
                    throw AbortError("Signal " + std::to_string(Index) + " kann erst verwendet werden, wenn Signal " +
                                     std::to_string(j) + " verwendet wird");
            // The window's "Neu": default texts and a sine.
            r.SetDefaultTexts();
            r.Used = true;
            r.TabTyp = TypeNone;
            setType(TypeSinus);
        } else {
            for (int j = Index + 1; j < SignalSlots; ++j)
                if (signals[static_cast<std::size_t>(j)].Used)
                    throw AbortError("Signal " + std::to_string(Index) +
                                     " kann nicht abgewählt werden, solange Signal " + std::to_string(j) +
                                     " verwendet wird");
            r.Used = false;
        }
    }
};

struct VariablesView {
    ProjectPtr P;

    VariTable& table() { return P->mutableValue().State.VariTable; }

    int slotOf(const std::string& name)
    {
        const int i = table().LookupSlot(name);
        if (i < 0)
            throw py::key_error(name);
        return i;
    }
    std::vector<std::string> names()
    {
        std::vector<std::string> out;
        for (int i = 0; i < table().variableCount(); ++i)
            out.push_back(table().slot(i).front());
        return out;
    }
    std::vector<std::string> get(const std::string& name)
    {
        const VariTable::Slot& s = table().slot(slotOf(name));
        return {s.begin() + 1, s.end()};
    }
    void set(const std::string& name, const py::iterable& values)
    {
        if (py::isinstance<py::str>(values))
            throw py::type_error("the values of a variable are a list of texts or numbers");
        std::vector<std::string> texts;
        for (const py::handle v : values)
            texts.push_back(TextOf(v));
        int i = table().LookupSlot(name);
        if (i < 0) {
            // The editor's "Neu" with its name rules and its limit.
            QuietDialogs d(QuietDialogs::Queries::Accept);
            if (!table().AddVariable(name, d))
                throw AbortError(d.texts().empty() ? std::string("Ungültiger Variablenbezeichner!") : d.texts().back());
            i = table().LookupSlot(name);
        }
        VariTable::Slot& s = table().slot(i);
        s.resize(1);
        s.insert(s.end(), texts.begin(), texts.end());
    }
    void remove(const std::string& name)
    {
        slotOf(name);
        QuietDialogs d(QuietDialogs::Queries::Accept);
        table().DeleteVariable(name, d);
    }
};

void SaveProject(ProjectObject& po, const std::string& path)
{
    const Project& p = po.value();
    CheckProjectTexts(p.State, p.Globals);
    std::vector<std::string> lines;
    WriteProject(p.State, p.Globals, lines, ',');
    WriteFileAtomically(path, ProjectFileBytes(lines));
}

template <std::string ProjectGlobals::*Field>
void GlobalProperty(py::class_<ProjectObject, ProjectPtr>& c, const char* name, const char* doc)
{
    c.def_property(
        name, [](ProjectObject& p) { return p.mutableValue().Globals.*Field; },
        [](ProjectObject& p, const py::handle& v) { p.mutableValue().Globals.*Field = TextOf(v); }, doc);
}

template <CheckBox Box>
void CheckProperty(py::class_<ProjectObject, ProjectPtr>& c, const char* name, const char* doc)
{
    c.def_property(
        name, [](ProjectObject& p) { return p.mutableValue().Globals.check(Box); },
        [](ProjectObject& p, bool v) { p.mutableValue().Globals.check(Box) = v; }, doc);
}

template <std::string SinusRecord::*Field>
void TextProperty(py::class_<SignalView>& c, const char* name, const char* doc)
{
    c.def_property(
        name, [](SignalView& s) { return s.rec().*Field; },
        [](SignalView& s, const py::handle& v) { s.rec().*Field = TextOf(v); }, doc);
}

} // namespace

PYBIND11_MODULE(_core, m)
{
    m.doc() = "The Tonvera core: projects, checks, simulation, rendering and the signal generator.";

    static py::exception<AbortError> error(m, "Error");
    error.doc() = "An aborted command of the program; its text is the program's own (German) message.";
    static py::exception<DeviceNotFoundError> notFound(m, "DeviceNotFound", error.ptr());
    static py::exception<TimeLimitError> timeLimit(m, "TimeLimit", error.ptr());
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const DeviceNotFoundError& e) {
            PyErr_SetString(notFound.ptr(), e.what());
        } catch (const TimeLimitError& e) {
            PyErr_SetString(timeLimit.ptr(), e.what());
        } catch (const AbortError& e) {
            PyErr_SetString(error.ptr(), e.what());
        }
    });

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
        .def_static("load", &Calibration::load, py::arg("path"), "Reads a calibration file (.cal).")
        .def("save", &Calibration::save, py::arg("path"), "Writes the table to a calibration file, atomically.")
        .def_property("points", &Calibration::points, &Calibration::setPoints,
                      "The points as (frequency, correction) pairs; at most 501.")
        .def("correction", &Calibration::correction, py::arg("freq"),
             "The correction at a frequency: linear between the points, constant beyond them.")
        .def("__len__", [](const Calibration& c) { return c.points().size(); });

    py::class_<cli::Problem>(m, "Problem", "One problem of a check, gathered over the positions where it occurs.")
        .def_property_readonly(
            "signal",
            [](const cli::Problem& p) -> py::object {
                return p.signal < 0 ? py::none() : py::object(py::int_(p.signal));
            },
            "The signal 0..7, or None for a global parameter.")
        .def_readonly("parameter", &cli::Problem::parameter, "The parameter's name as the window labels it.")
        .def_readonly("positions", &cli::Problem::positions, "The variable positions where it occurs.")
        .def_readonly("message", &cli::Problem::text, "The program's message.")
        .def_property_readonly(
            "value",
            [](const cli::Problem& p) -> py::object {
                return p.value.empty() ? py::none() : py::object(py::str(p.value));
            },
            "The evaluated value, when there is one.")
        .def_readonly("warning", &cli::Problem::warning, "True when the device plays it anyway.")
        .def("__str__", &cli::FormatProblem)
        .def("__repr__", [](const cli::Problem& p) { return "<Problem " + cli::FormatProblem(p) + ">"; });

    py::class_<cli::SimulatedPosition>(m, "SimulatedPosition", "One position of a simulated run; times in ms.")
        .def_readonly("position", &cli::SimulatedPosition::position)
        .def_readonly("begin", &cli::SimulatedPosition::beginMs, "Begin on the run's time axis, ms.")
        .def_readonly("length", &cli::SimulatedPosition::lengthMs, "Length, ms.")
        .def_readonly("trigger_start", &cli::SimulatedPosition::triggerStartMs, "Trigger window start, ms.")
        .def_readonly("trigger_stop", &cli::SimulatedPosition::triggerStopMs, "Trigger window stop, ms.");

    struct SimulationResult {
        double totalSeconds;
        std::string caption;
        std::vector<cli::SimulatedPosition> positions;
        std::vector<std::string> messages;
    };
    py::class_<SimulationResult>(m, "Simulation", "The simulation window's figures.")
        .def_readonly("total_seconds", &SimulationResult::totalSeconds)
        .def_readonly("caption", &SimulationResult::caption)
        .def_readonly("positions", &SimulationResult::positions)
        .def_readonly("messages", &SimulationResult::messages, "Texts that did not evaluate, as reported.");

    py::class_<Rendering>(m, "Rendering", "The outputs of a whole run as the device plays them.")
        .def_readonly("signal", &Rendering::signal, "The signal output, float32, converter full scale = 1.0.")
        .def_readonly("trigger", &Rendering::trigger, "The trigger output per sample.")
        .def_readonly("overflow", &Rendering::overflow, "The device reported overflow or a sample left the range.")
        .def_readonly("rate", &Rendering::rate, "Samples per second.")
        .def_readonly("cut", &Rendering::cut, "The output was cut at max_seconds.")
        .def_readonly("runs", &Rendering::runs, "(seconds, overflow) of each run the device played.");

    py::class_<SignalView> signal(m, "Signal", "One of the eight signals of a project.");
    signal.def_property_readonly("index", [](SignalView& s) { return s.Index; })
        .def_property(
            "used", [](SignalView& s) { return s.rec().Used; }, &SignalView::setUsed,
            "In use; the signals in use are always 0..n-1. Setting it gives the window's new signal.")
        .def_property(
            "type", [](SignalView& s) { return static_cast<SignalType>(s.rec().TabTyp); }, &SignalView::setType,
            "The signal type; setting another one fills the table as the window does.")
        .def_property(
            "carrier", [](SignalView& s) { return s.rec().TabPara; }, &SignalView::setCarrier,
            "The AM multiple: carrier periods per modulation period.")
        .def_property(
            "table", [](SignalView& s) { return s.P->table(s.Index); },
            [](SignalView& s, const py::handle& v) { s.P->setTable(s.Index, v); },
            "The wave table: a writable int16 array of 32768 values, one period.");
    TextProperty<&SinusRecord::Freq>(signal, "freq", "Frequency text (Hz).");
    TextProperty<&SinusRecord::Phase>(signal, "phase", "Phase text (degrees).");
    TextProperty<&SinusRecord::Ampl>(signal, "ampl", "Attenuation text (dB).");
    TextProperty<&SinusRecord::Start>(signal, "start", "Start time text (ms).");
    TextProperty<&SinusRecord::Dach>(signal, "plateau", "Plateau time text (ms).");
    TextProperty<&SinusRecord::RampUp>(signal, "ramp_up", "Rise time text (ms).");
    TextProperty<&SinusRecord::RampDown>(signal, "ramp_down", "Fall time text (ms).");

    py::class_<VariablesView>(m, "Variables", "The variables: an ordered mapping from name to the list of value texts.")
        .def("__getitem__", &VariablesView::get)
        .def("__setitem__", &VariablesView::set)
        .def("__delitem__", &VariablesView::remove)
        .def("__len__", [](VariablesView& v) { return v.table().variableCount(); })
        .def("__contains__",
             [](VariablesView& v, const py::handle& name) {
                 return py::isinstance<py::str>(name) && v.table().LookupSlot(name.cast<std::string>()) >= 0;
             })
        .def("__iter__", [](VariablesView& v) { return py::iter(py::cast(v.names())); })
        .def("keys", &VariablesView::names)
        .def("values",
             [](VariablesView& v) {
                 std::vector<std::vector<std::string>> out;
                 for (const std::string& n : v.names())
                     out.push_back(v.get(n));
                 return out;
             })
        .def("items",
             [](VariablesView& v) {
                 std::vector<std::pair<std::string, std::vector<std::string>>> out;
                 for (const std::string& n : v.names())
                     out.emplace_back(n, v.get(n));
                 return out;
             })
        .def("clear", [](VariablesView& v) { v.table().Clear(); })
        .def("__repr__", [](VariablesView& v) {
            py::dict d;
            for (const std::string& n : v.names())
                d[py::str(n)] = py::cast(v.get(n));
            return "Variables(" + py::repr(d).cast<std::string>() + ")";
        });

    py::class_<ProjectObject, ProjectPtr> project(m, "Project", "A Tonvera project (.tva).");
    project
        .def_static(
            "new", [] { return std::make_shared<ProjectObject>(cli::FreshProject()); },
            "The project of a fresh window.")
        .def_static(
            "load",
            [](const std::string& path) {
                return std::make_shared<ProjectObject>(cli::ReadProjectFile(path, std::nullopt));
            },
            py::arg("path"), "Reads a project file with the program's reader.")
        .def("save", &SaveProject, py::arg("path"), "Writes the project file; the old file is replaced only whole.")
        .def_property_readonly(
            "signals",
            [](const ProjectPtr& p) {
                std::vector<SignalView> out;
                for (int i = 0; i < SignalSlots; ++i)
                    out.push_back(SignalView{p, i});
                return out;
            },
            "The eight signals.")
        .def_property_readonly("variables", [](const ProjectPtr& p) { return VariablesView{p}; })
        .def_property_readonly(
            "positions", [](ProjectObject& p) { return cli::PositionsOf(p.mutableValue().State); },
            "The positions a run can play (1 without variables).")
        .def(
            "check",
            [](ProjectObject& p, const py::handle& cal, bool variablesFirst) {
                Project copy = p.value();
                copy.State.EichTable = CalibrationFrom(cal);
                py::gil_scoped_release release;
                return cli::CheckProject(copy, PriorityOf(variablesFirst));
            },
            py::arg("cal") = py::none(), py::arg("variables_first") = false,
            "Every problem tonvera-cli check reports, as Problem objects.")
        .def(
            "simulate",
            [](ProjectObject& p) -> SimulationResult {
                QuietDialogs d(QuietDialogs::Queries::Accept);
                std::optional<cli::SimulatedRun> run = cli::SimulateProject(p.value(), d);
                if (!run)
                    throw AbortError(cli::SimulationNeedsVariables);
                return SimulationResult{run->totalMs / 1000.0, run->caption, run->positions, d.texts()};
            },
            "The simulation window's figures for a run through all positions.")
        .def("render", &RenderProject, py::arg("rate") = 48000, py::arg("cal") = py::none(),
             py::arg("variables_first") = false, py::arg("max_seconds") = 60.0,
             "The outputs of a whole run as the device plays it (the emulator's model, virtual time).");
    GlobalProperty<&ProjectGlobals::Signaldauer>(project, "signal_length", "Signal length text (ms).");
    GlobalProperty<&ProjectGlobals::Triggerstart>(project, "trigger_start", "Trigger start text (ms).");
    GlobalProperty<&ProjectGlobals::Triggerstop>(project, "trigger_stop", "Trigger stop text (ms).");
    GlobalProperty<&ProjectGlobals::EndDamp>(project, "end_attenuation", "Final attenuation text (dB).");
    GlobalProperty<&ProjectGlobals::AnzWieder>(project, "repetitions", "Repetitions text.");
    CheckProperty<CheckBox::Repeated>(project, "repeated", "\"Unendlich\": the run repeats until stopped.");
    CheckProperty<CheckBox::varcheck>(project, "through_variables",
                                      "\"Durchlaufen\": the run steps through all positions.");
    CheckProperty<CheckBox::ExternStart>(project, "extern_start", "\"Externes Starten\".");

    py::class_<PlayResult>(m, "PlayResult", "How a run ended.")
        .def_readonly("overflow", &PlayResult::overflow, "The device reported overflow.")
        .def_readonly("clamped", &PlayResult::clamped, "A calibrated level was limited.")
        .def("__iter__", [](const PlayResult& r) { return py::iter(py::make_tuple(r.overflow, r.clamped)); })
        .def("__repr__", [](const PlayResult& r) {
            return std::string("PlayResult(overflow=") + (r.overflow ? "True" : "False") +
                   ", clamped=" + (r.clamped ? "True" : "False") + ")";
        });

    py::class_<Generator>(m, "Generator", "The signal generator on a serial port.")
        .def(py::init([](const std::string& port, std::optional<std::string> firmware, const py::handle& cal,
                         ProjectObject* project, py::object progress) {
                 return std::make_unique<Generator>(port, firmware, cal, project, std::move(progress));
             }),
             py::arg("port"), py::arg("firmware") = py::none(), py::arg("cal") = py::none(), py::kw_only(),
             py::arg("project") = py::none(), py::arg("progress") = py::none(),
             "Opens the port and does what \"Hardware initialisieren\" does.")
        .def("download", &Generator::download, py::arg("project"), "The whole set of the project to the device.")
        .def("play", &Generator::play, py::arg("project"), py::arg("variables_first") = false,
             py::arg("timeout") = py::none(), py::arg("on_position") = py::none(), "A whole run as the window runs it.")
        .def("start", &Generator::start, "The window's Start.")
        .def("stop", &Generator::stop, "The window's Stop.")
        .def("status", &Generator::status, "The device's status byte.")
        .def("goto", &Generator::gotoPosition, py::arg("position"), "Steps to a position with << and >>.")
        .def_property_readonly("position", &Generator::position)
        .def_property_readonly("port", &Generator::port)
        .def_property_readonly("is_open", &Generator::isOpen)
        .def_property_readonly("messages", &Generator::messages, "The texts of the message boxes so far.")
        .def("close", &Generator::close, "Stops the device and closes the port.")
        .def(
            "__enter__", [](Generator& g) -> Generator& { return g; }, py::return_value_policy::reference)
        .def("__exit__", [](Generator& g, const py::args&) {
            g.close();
            return false;
        });
}
