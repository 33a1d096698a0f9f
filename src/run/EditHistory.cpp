// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/EditHistory.h"

#include <initializer_list>
#include <string>
#include <utility>

#include "model/ParamTable.h"

namespace tonvera {

bool operator==(const SignalSetSnapshot::Signal& a, const SignalSetSnapshot::Signal& b)
{
    if (a.Texts != b.Texts || a.TabTyp != b.TabTyp || a.TabPara != b.TabPara || a.Used != b.Used)
        return false;
    if (a.Table == b.Table)
        return true;
    return a.Table && b.Table && *a.Table == *b.Table;
}

bool SignalSetSnapshot::sameProject(const SignalSetSnapshot& other) const
{
    return Signals == other.Signals && SelectedSignal == other.SelectedSignal && VariTable == other.VariTable &&
           TastHigh == other.TastHigh && Globals == other.Globals;
}

SignalSetSnapshot TakeSnapshot(const MainState& state, const ProjectGlobals& globals, const SignalSetSnapshot* previous)
{
    SignalSetSnapshot s;
    for (int i = 0; i < SignalSlots; ++i) {
        const SinusRecord& r = state.SinusArray[static_cast<std::size_t>(i)];
        SignalSetSnapshot::Signal& out = s.Signals[static_cast<std::size_t>(i)];
        for (int p = 0; p < 7; ++p)
            out.Texts[static_cast<std::size_t>(p)] = r.Text(p);
        out.TabTyp = r.TabTyp;
        out.TabPara = r.TabPara;
        out.Used = r.Used;
        const auto& before = previous ? previous->Signals[static_cast<std::size_t>(i)].Table : nullptr;
        out.Table = before && *before == r.Table ? before : std::make_shared<const WaveTable>(r.Table);
    }
    s.SelectedSignal = state.SelectedSignal;
    s.VariTable = state.VariTable;
    s.TastHigh = state.TastHigh;
    s.Globals = globals;
    s.EichTable = state.EichTable;
    return s;
}

void RestoreSnapshot(const SignalSetSnapshot& snapshot, MainState& state)
{
    for (int i = 0; i < SignalSlots; ++i) {
        const SignalSetSnapshot::Signal& in = snapshot.Signals[static_cast<std::size_t>(i)];
        SinusRecord& r = state.SinusArray[static_cast<std::size_t>(i)];
        for (int p = 0; p < 7; ++p)
            r.Text(p) = in.Texts[static_cast<std::size_t>(p)];
        r.TabTyp = in.TabTyp;
        r.TabPara = in.TabPara;
        r.Used = in.Used;
        if (in.Table)
            r.Table = *in.Table;
    }
    state.SelectedSignal = snapshot.SelectedSignal;
    state.VariTable = snapshot.VariTable;
    state.TastHigh = snapshot.TastHigh;
    state.EichTable = snapshot.EichTable;
}

namespace {

int usedCount(const SignalSetSnapshot& s)
{
    int n = 0;
    for (const auto& sig : s.Signals)
        n += sig.Used ? 1 : 0;
    return n;
}

std::string signalStep(const SignalSetSnapshot::Signal& a, const SignalSetSnapshot::Signal& b)
{
    if (a.TabTyp != b.TabTyp)
        return "Signaltyp ändern";
    int changed = 0;
    std::size_t field = 0;
    for (std::size_t p = 0; p < a.Texts.size(); ++p)
        if (a.Texts[p] != b.Texts[p]) {
            ++changed;
            field = p;
        }
    if (changed == 1)
        return std::string(Params[field].name) + " ändern";
    if (changed > 1)
        return "Parameter ändern";
    if (a.TabPara != b.TabPara)
        return "Trägerfaktor ändern";
    return "Signaltyp ändern"; // the table alone: a type filled afresh
}

bool anyCheck(const ProjectGlobals& a, const ProjectGlobals& b, std::initializer_list<CheckBox> boxes)
{
    for (CheckBox box : boxes)
        if (a.check(box) != b.check(box))
            return true;
    return false;
}

} // namespace

std::string StepLabel(const SignalSetSnapshot& before, const SignalSetSnapshot& after)
{
    const int was = usedCount(before);
    const int is = usedCount(after);
    if (is > was)
        return "Neues Signal";
    if (is < was)
        return "Signal " + std::to_string(before.SelectedSignal + 1) + " löschen";
    int changedSignals = 0;
    std::string step;
    for (std::size_t i = 0; i < before.Signals.size(); ++i)
        if (!(before.Signals[i] == after.Signals[i])) {
            ++changedSignals;
            step = signalStep(before.Signals[i], after.Signals[i]);
        }
    if (changedSignals > 1)
        return "Signale ändern";
    if (changedSignals == 1)
        return step;
    if (!(before.VariTable == after.VariTable))
        return "Variablen ändern";
    const ProjectGlobals& g = before.Globals;
    const ProjectGlobals& h = after.Globals;
    if (g.Signaldauer != h.Signaldauer || g.Triggerstart != h.Triggerstart || g.Triggerstop != h.Triggerstop ||
        g.EndDamp != h.EndDamp)
        return "Globale Parameter ändern";
    if (g.AnzWieder != h.AnzWieder || !(g.Order == h.Order) ||
        anyCheck(g, h, {CheckBox::Repeated, CheckBox::varcheck, CheckBox::ExternStart}))
        return "Ausgabeoptionen ändern";
    if (!(g == h))
        return "Anzeige ändern";
    if (!(before.EichTable == after.EichTable))
        return "Kalibrierung ändern";
    if (before.TastHigh != after.TastHigh)
        return "Externes Starten ändern";
    return "Auswahl ändern";
}

EditHistory::EditHistory(std::size_t limit) : Limit(limit < 1 ? 1 : limit)
{
    Values.emplace_back();
    Labels.emplace_back();
}

void EditHistory::reset(SignalSetSnapshot current)
{
    Values.clear();
    Labels.clear();
    Values.push_back(std::move(current));
    Labels.emplace_back();
    Cursor = 0;
    Saved = Values.front();
}

bool EditHistory::record(const std::string& label, SignalSetSnapshot now)
{
    SignalSetSnapshot& last = Values[Cursor];
    if (now == last)
        return false;
    SignalSetSnapshot selectionOnly = last;
    selectionOnly.SelectedSignal = now.SelectedSignal;
    if (now == selectionOnly) {
        last.SelectedSignal = now.SelectedSignal;
        return false;
    }
    Values.resize(Cursor + 1);
    Labels.resize(Cursor + 1);
    Values.push_back(std::move(now));
    Labels.push_back(label);
    // The limit counts steps; the value before the oldest kept step stays as
    // the new start.
    while (Values.size() > Limit + 1) {
        Values.erase(Values.begin());
        Labels.erase(Labels.begin());
    }
    Cursor = Values.size() - 1;
    return true;
}

const std::string& EditHistory::undoLabel() const
{
    static const std::string none;
    return canUndo() ? Labels[Cursor] : none;
}

const std::string& EditHistory::redoLabel() const
{
    static const std::string none;
    return canRedo() ? Labels[Cursor + 1] : none;
}

const SignalSetSnapshot& EditHistory::undo()
{
    if (canUndo())
        --Cursor;
    return Values[Cursor];
}

const SignalSetSnapshot& EditHistory::redo()
{
    if (canRedo())
        ++Cursor;
    return Values[Cursor];
}

} // namespace tonvera
