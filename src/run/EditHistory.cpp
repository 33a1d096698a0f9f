#include "run/EditHistory.h"

#include <utility>

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
