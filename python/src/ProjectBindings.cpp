// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera.Project, Signal and Variables, and the simulation's figures: the
// project as the window edits it, with the window's rules for its texts,
// types, tables and variables.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <deque>

#include "Bindings.h"
#include "OrderArgs.h"
#include "ConsoleDialogs.h"
#include "Paths.h"
#include "ProjectCheck.h"
#include "ProjectInput.h"
#include "ProjectObject.h"
#include "ProjectSimulation.h"
#include "Rendering.h"
#include "files/TextFile.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "model/ParamTable.h"
#include "model/QuietDialogs.h"
#include "model/TableFill.h"

namespace tonvera::python {

namespace {

using ProjectPtr = std::shared_ptr<ProjectObject>;

// A parameter text as the operator would type it; numbers are written in
// the program's own form (decimal comma). A plain number typed as Python
// writes it ("2.5") is a number too, not a text the evaluator refuses;
// variable names and expressions stay exactly as given.
std::string TextOf(const py::handle& value)
{
    if (py::isinstance<py::str>(value)) {
        std::string text = value.cast<std::string>();
        if (text.find('.') != std::string::npos && TryConvertNumber(text, '.').valid)
            std::replace(text.begin(), text.end(), '.', ',');
        return text;
    }
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

void SaveProject(ProjectObject& po, const PathText& path)
{
    const Project& p = po.value();
    CheckProjectTexts(p.State, p.Globals);
    std::vector<std::string> lines;
    WriteProject(p.State, p.Globals, lines, ',');
    WritingFile(path.value, [&] { WriteFileAtomically(path.value, ProjectFileBytes(lines)); });
}

// The unit and range of a parameter text, from the table the check uses.
const char* ParamDoc(const char* what, ParamIndex index)
{
    // pybind11 keeps the pointer of a property's text.
    static std::deque<std::string> texts;
    const ParamSpec& p = Params[static_cast<std::size_t>(index)];
    const std::string unit = p.unit == "Grad" ? std::string("degrees") : std::string(p.unit);
    texts.push_back(std::string(what) + " as typed: a number, a variable name or an expression (a float or a " +
                    "plain number with a point becomes the program's text with a comma). In " + unit + ", " +
                    FormatGeneral(p.min, 6, '.') + " to " + FormatGeneral(p.max, 6, '.') + ", in steps of " +
                    FormatGeneral(p.step, 6, '.') + ".");
    return texts.back().c_str();
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

void BindProject(py::module_& m)
{
    py::class_<cli::SimulatedPosition>(m, "SimulatedPosition", "One position of a simulated run; times in ms.")
        .def_readonly("position", &cli::SimulatedPosition::position, "The variable position, from 1.")
        .def_readonly("begin", &cli::SimulatedPosition::beginMs, "Begin on the run's time axis, ms.")
        .def_readonly("length", &cli::SimulatedPosition::lengthMs, "Length, ms.")
        .def_readonly("trigger_start", &cli::SimulatedPosition::triggerStartMs, "Trigger window start, ms.")
        .def_readonly("trigger_stop", &cli::SimulatedPosition::triggerStopMs, "Trigger window stop, ms.")
        .def("__repr__", [](const cli::SimulatedPosition& p) {
            auto ms = [](double v) { return FormatGeneral(v, 15, '.'); };
            return "SimulatedPosition(position=" + std::to_string(p.position) + ", begin=" + ms(p.beginMs) +
                   ", length=" + ms(p.lengthMs) + ", trigger_start=" + ms(p.triggerStartMs) +
                   ", trigger_stop=" + ms(p.triggerStopMs) + ")";
        });

    struct SimulationResult {
        double totalSeconds;
        std::string caption;
        std::vector<cli::SimulatedPosition> positions;
        std::vector<std::string> messages;
    };
    py::class_<SimulationResult>(m, "Simulation", "The simulation window's figures.")
        .def_readonly("total_seconds", &SimulationResult::totalSeconds, "The whole run, s.")
        .def_readonly("caption", &SimulationResult::caption, "The window's caption (\"Dauer des Gesamtsignals\").")
        .def_readonly("positions", &SimulationResult::positions, "The positions in the order they play.")
        .def_readonly("messages", &SimulationResult::messages, "Texts that did not evaluate, as reported.")
        .def("__repr__", [](const SimulationResult& r) {
            return "<Simulation " + FormatGeneral(r.totalSeconds, 6, '.') + " s, " +
                   std::to_string(r.positions.size()) + (r.positions.size() == 1 ? " position>" : " positions>");
        });

    py::class_<SignalView> signal(m, "Signal", "One of the eight signals of a project.");
    signal.def_property_readonly("index", [](SignalView& s) { return s.Index; })
        .def_property(
            "used", [](SignalView& s) { return s.rec().Used; }, &SignalView::setUsed,
            "In use; the signals in use are always 0..n-1. Setting it gives the window's new signal.")
        .def_property(
            "type", [](SignalView& s) { return static_cast<SignalType>(s.rec().TabTyp); }, &SignalView::setType,
            "The signal type (SignalType); setting another one fills the table as the window does.")
        .def_property(
            "carrier", [](SignalView& s) { return s.rec().TabPara; }, &SignalView::setCarrier,
            "The AM multiple: carrier periods per modulation period (a float, need not be whole); a new one fills "
            "an AM table again.")
        .def_property(
            "table", [](SignalView& s) { return s.P->table(s.Index); },
            [](SignalView& s, const py::handle& v) { s.P->setTable(s.Index, v); },
            "The wave table: a writable int16 array of 32768 values, one period; full scale is -32500 to 32500.")
        .def("__repr__", [](SignalView& s) {
            const SinusRecord& r = s.rec();
            const std::string head = "<Signal " + std::to_string(s.Index);
            if (!r.Used)
                return head + " unused>";
            const py::object type = py::cast(static_cast<SignalType>(r.TabTyp));
            const auto text = [](const std::string& t) { return py::repr(py::str(t)).cast<std::string>(); };
            return head + " " + py::str(type.attr("name")).cast<std::string>() + " freq=" + text(r.Freq) +
                   " ampl=" + text(r.Ampl) + " start=" + text(r.Start) + " plateau=" + text(r.Dach) + ">";
        });
    TextProperty<&SinusRecord::Freq>(signal, "freq", ParamDoc("The frequency", ParamFreq));
    TextProperty<&SinusRecord::Phase>(signal, "phase", ParamDoc("The phase where the tone begins", ParamPhase));
    TextProperty<&SinusRecord::Ampl>(signal, "ampl", ParamDoc("The attenuation below full scale", ParamAmpl));
    TextProperty<&SinusRecord::Start>(signal, "start", ParamDoc("The start within the signal length", ParamStart));
    TextProperty<&SinusRecord::Dach>(signal, "plateau", ParamDoc("The plateau time (\"Dachzeit\")", ParamDach));
    TextProperty<&SinusRecord::RampUp>(signal, "ramp_up", ParamDoc("The rise time", ParamRampUp));
    TextProperty<&SinusRecord::RampDown>(signal, "ramp_down", ParamDoc("The fall time", ParamRampDown));

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
            [](const PathText& path) {
                return ReadingFile(path.value, [&] {
                    return std::make_shared<ProjectObject>(cli::ReadProjectFile(path.value, std::nullopt));
                });
            },
            py::arg("path"), "Reads a project file with the program's reader; FileNotFound when it is not there.")
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
        .def_property_readonly(
            "variables", [](const ProjectPtr& p) { return VariablesView{p}; },
            "Name -> value texts, in the order of the variable table; at most 21 variables.")
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
             "The outputs of a whole run as the device plays it (the emulator's model, virtual time). rate: "
             "samples per second, 1000 to 1000000 Hz; max_seconds: where a long or endless run is cut, s.")
        .def("__repr__", [](ProjectObject& p) {
            const MainState& st = p.mutableValue().State;
            int used = 0;
            for (const SinusRecord& r : st.SinusArray)
                used += r.Used ? 1 : 0;
            std::string names;
            for (int i = 0; i < st.VariTable.variableCount(); ++i)
                names += (i ? ", " : "") + st.VariTable.slot(i).front();
            const int positions = cli::PositionsOf(st);
            return "<Project " + std::to_string(used) + (used == 1 ? " signal" : " signals") + ", " +
                   std::to_string(positions) + (positions == 1 ? " position" : " positions") +
                   (names.empty() ? std::string() : " (" + names + ")") + ">";
        });
    GlobalProperty<&ProjectGlobals::Signaldauer>(project, "signal_length",
                                                 ParamDoc("The signal length", ParamSignaldauer));
    GlobalProperty<&ProjectGlobals::Triggerstart>(project, "trigger_start",
                                                  ParamDoc("The trigger window's start", ParamTriggerstart));
    GlobalProperty<&ProjectGlobals::Triggerstop>(project, "trigger_stop",
                                                 ParamDoc("The trigger window's stop", ParamTriggerstop));
    GlobalProperty<&ProjectGlobals::EndDamp>(project, "end_attenuation",
                                             ParamDoc("The final attenuation after the converter", ParamEndDamp));
    GlobalProperty<&ProjectGlobals::AnzWieder>(
        project, "repetitions",
        "The repetitions text as typed: a number, a variable name or an expression; a whole number of 0 to 255 "
        "(1 plays the length once).");
    CheckProperty<CheckBox::Repeated>(project, "repeated", "\"Unendlich\": the run repeats until stopped.");
    CheckProperty<CheckBox::varcheck>(project, "through_variables",
                                      "\"Durchlaufen\": the run steps through all positions.");
    CheckProperty<CheckBox::ExternStart>(project, "extern_start", "\"Externes Starten\".");
    project.def_property(
        "order", [](ProjectObject& p) { return OrderObject(p.mutableValue().Globals.Order); },
        [](ProjectObject& p, const py::handle& v) { SetOrder(p.mutableValue().Globals.Order, v, py::none()); },
        "\"Reihenfolge\" of a run through the positions: \"ascending\", \"random\" (a new permutation in "
        "every pass, from seed) or a list of positions such as [3, 1, 4, 2] (repeats allowed).");
    project.def_property(
        "seed", [](ProjectObject& p) { return SeedObject(p.mutableValue().Globals.Order); },
        [](ProjectObject& p, const py::handle& v) {
            if (v.is_none())
                p.mutableValue().Globals.Order.Seed.clear();
            else
                SetOrder(p.mutableValue().Globals.Order, py::none(), v);
        },
        "The seed of the random order, 0 to 2**64-1; None: a new one is drawn at every start.");
}

} // namespace tonvera::python
