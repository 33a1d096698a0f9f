// SPDX-License-Identifier: GPL-3.0-or-later
// Undo, redo and the unsaved-changes flag over values of the signal set.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "files/RecoveryFile.h"
#include "model/ParamTable.h"
#include "run/EditHistory.h"
#include "support/TempDir.h"

namespace tonvera::test {
namespace {

MainState NoiseSet()
{
    MainState s;
    for (int i = 0; i < 2; ++i) {
        SinusRecord& r = s.SinusArray[static_cast<std::size_t>(i)];
        r.Used = true;
        r.SetDefaultTexts();
        r.TabTyp = TypeRauschen;
        for (std::size_t k = 0; k < TableSize; ++k)
            r.Table[k] = static_cast<std::int32_t>((k * 7919 + static_cast<std::size_t>(i)) % 65001) - 32500;
    }
    s.SelectedSignal = 1;
    return s;
}

TEST(EditHistoryTest, UndoRestoresTextsTablesAndSelectionRedoRepeats)
{
    MainState state = NoiseSet();
    ProjectGlobals globals;
    globals.Signaldauer = "1000";
    EditHistory history;
    history.reset(TakeSnapshot(state, globals));
    const MainState before = state;

    // Delete signal 0: the later one moves down, the last slot is cleared.
    state.SinusArray[0] = state.SinusArray[1];
    state.SinusArray[1] = SinusRecord{};
    state.SelectedSignal = 0;
    EXPECT_TRUE(history.record("Signal 0 löschen", TakeSnapshot(state, globals, &history.current())));
    const MainState after = state;
    EXPECT_EQ(history.undoLabel(), "Signal 0 löschen");
    EXPECT_TRUE(history.modified());

    RestoreSnapshot(history.undo(), state);
    EXPECT_EQ(state, before);
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(history.redoLabel(), "Signal 0 löschen");
    EXPECT_FALSE(history.modified());

    RestoreSnapshot(history.redo(), state);
    EXPECT_EQ(state, after);
    EXPECT_FALSE(history.canRedo());

    // A new step after an undo drops what could have been redone.
    RestoreSnapshot(history.undo(), state);
    globals.Signaldauer = "2000";
    EXPECT_TRUE(history.record("Signaldauer", TakeSnapshot(state, globals, &history.current())));
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.undoLabel(), "Signaldauer");
}

TEST(EditHistoryTest, SelectionAloneIsNoStepAndNothingChangedIsNoStep)
{
    MainState state = NoiseSet();
    EditHistory history;
    history.reset(TakeSnapshot(state, {}));
    EXPECT_FALSE(history.record("nichts", TakeSnapshot(state, {}, &history.current())));
    state.SelectedSignal = 0;
    EXPECT_FALSE(history.record("Auswahl", TakeSnapshot(state, {}, &history.current())));
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(history.current().SelectedSignal, 0);
    // The selection is stored in the project: it counts as a change to save.
    EXPECT_TRUE(history.modified());
    history.markSaved();
    EXPECT_FALSE(history.modified());
}

TEST(EditHistoryTest, UnchangedTablesAreSharedAndTheLimitDropsTheOldest)
{
    MainState state = NoiseSet();
    EditHistory history(3);
    history.reset(TakeSnapshot(state, {}));
    const auto* table0 = history.current().Signals[0].Table.get();
    for (int step = 1; step <= 5; ++step) {
        state.SinusArray[0].Freq = std::to_string(step * 100);
        history.record("Frequenz " + std::to_string(step), TakeSnapshot(state, {}, &history.current()));
    }
    EXPECT_EQ(history.current().Signals[0].Table.get(), table0);

    int undone = 0;
    while (history.canUndo()) {
        history.undo();
        ++undone;
    }
    EXPECT_EQ(undone, 3);
    EXPECT_EQ(history.current().Signals[0].Texts[0], "200");
}

TEST(EditHistoryTest, CalibrationIsUndoneButIsNoProjectChange)
{
    MainState state;
    EditHistory history;
    history.reset(TakeSnapshot(state, {}));
    state.EichTable.count = 1;
    state.EichTable.frequencies[0] = 1000;
    EXPECT_TRUE(history.record("Kalibrierung", TakeSnapshot(state, {}, &history.current())));
    EXPECT_FALSE(history.modified());
    RestoreSnapshot(history.undo(), state);
    EXPECT_EQ(state.EichTable.count, 0);
}

TEST(EditHistoryTest, StepsAreNamedByWhatChanged)
{
    MainState state = NoiseSet();
    ProjectGlobals globals;
    const SignalSetSnapshot before = TakeSnapshot(state, globals);
    const auto named = [&](auto change) {
        MainState s = state;
        ProjectGlobals g = globals;
        change(s, g);
        return StepLabel(before, TakeSnapshot(s, g));
    };
    // Signals are counted from 1 in the names.
    EXPECT_EQ(named([](MainState& s, ProjectGlobals&) { s.SinusArray[1].Used = false; }), "Signal 2 löschen");
    EXPECT_EQ(named([](MainState& s, ProjectGlobals&) { s.SinusArray[2].Used = true; }), "Neues Signal");
    EXPECT_EQ(named([](MainState& s, ProjectGlobals&) { s.SinusArray[0].Text(ParamFreq) = "440"; }), "Frequenz ändern");
    EXPECT_EQ(named([](MainState& s, ProjectGlobals&) {
                  s.SinusArray[0].Text(ParamFreq) = "440";
                  s.SinusArray[0].Text(ParamPhase) = "90";
              }),
              "Parameter ändern");
    EXPECT_EQ(named([](MainState& s, ProjectGlobals&) {
                  s.SinusArray[0].TabTyp = TypeAM;
                  s.SinusArray[0].Text(ParamFreq) = "440";
              }),
              "Signaltyp ändern");
    EXPECT_EQ(named([](MainState& s, ProjectGlobals&) { s.SinusArray[0].TabPara = 4; }), "Trägerfaktor ändern");
    EXPECT_EQ(named([](MainState& s, ProjectGlobals&) { s.SinusArray[0].Table[5] = 1; }), "Signaltyp ändern");
    EXPECT_EQ(named([](MainState& s, ProjectGlobals&) {
                  s.SinusArray[0].Text(ParamFreq) = "440";
                  s.SinusArray[1].Text(ParamFreq) = "440";
              }),
              "Signale ändern");
    EXPECT_EQ(named([](MainState& s, ProjectGlobals&) { s.VariTable.slot(0).push_back("Freq"); }), "Variablen ändern");
    EXPECT_EQ(named([](MainState&, ProjectGlobals& g) { g.Triggerstop = "800"; }), "Globale Parameter ändern");
    EXPECT_EQ(named([](MainState&, ProjectGlobals& g) { g.check(CheckBox::Repeated) = true; }),
              "Ausgabeoptionen ändern");
    EXPECT_EQ(named([](MainState&, ProjectGlobals& g) { g.check(CheckBox::TypCheck) = true; }), "Anzeige ändern");
    EXPECT_EQ(named([](MainState& s, ProjectGlobals&) { s.EichTable.count = 1; }), "Kalibrierung ändern");
}

TEST(EditHistoryTest, RestoredWorkCountsAsUnsavedUntilSaved)
{
    EditHistory history;
    history.reset(TakeSnapshot(NoiseSet(), {}));
    history.markUnsaved();
    EXPECT_TRUE(history.modified());
    EXPECT_FALSE(history.canUndo());
    history.markSaved();
    EXPECT_FALSE(history.modified());
}

TEST(EditHistoryTest, RecoveryFileLivesInTheStateFolder)
{
    const char* oldState = std::getenv("XDG_STATE_HOME");
    const std::string saved = oldState ? oldState : "";
    const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("XDG_STATE_HOME", "/var/tmp/state", 1);
    EXPECT_EQ(RecoveryFilePath(), "/var/tmp/state/tonvera/recovery.tva");
    ::setenv("XDG_STATE_HOME", "relative", 1);
    ::setenv("HOME", "/home/op", 1);
    EXPECT_EQ(RecoveryFilePath(), "/home/op/.local/state/tonvera/recovery.tva");
    ::setenv("HOME", oldHome.c_str(), 1);
    if (oldState)
        ::setenv("XDG_STATE_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_STATE_HOME");
}

TEST(EditHistoryTest, EachRunningWindowClaimsARecoveryFileOfItsOwn)
{
    TempDir dir;
    const std::string first = dir.path("state/recovery.tva");
    {
        RecoveryClaim a(first);
        RecoveryClaim b(first);
        EXPECT_EQ(a.path(), first);
        EXPECT_EQ(b.path(), dir.path("state/recovery-2.tva"));
    }
    // A crashed window's work is claimed before an empty file.
    std::ofstream(dir.path("state/recovery-2.tva")) << "x";
    {
        RecoveryClaim c(first);
        EXPECT_EQ(c.path(), dir.path("state/recovery-2.tva"));
        std::vector<std::unique_ptr<RecoveryClaim>> more;
        for (int i = 1; i < MaxRecoveryFiles; ++i)
            more.push_back(std::make_unique<RecoveryClaim>(first));
        EXPECT_FALSE(more.back()->path().empty());
        EXPECT_TRUE(RecoveryClaim(first).path().empty());
    }
    EXPECT_EQ(RecoveryClaim(first).path(), dir.path("state/recovery-2.tva"));
    EXPECT_TRUE(RecoveryClaim("").path().empty());
}

TEST(EditHistoryTest, OnlyTheClaimsInUseHaveALockFile)
{
    TempDir dir;
    const std::string first = dir.path("state/recovery.tva");
    const auto lockFiles = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path("state")))
            if (e.path().extension() == ".lock")
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    {
        RecoveryClaim a(first);
        EXPECT_EQ(lockFiles(), std::vector<std::string>{"recovery.tva.lock"});
        RecoveryClaim b(first);
        EXPECT_EQ(lockFiles(), (std::vector<std::string>{"recovery-2.tva.lock", "recovery.tva.lock"}));
    }
    EXPECT_TRUE(lockFiles().empty());
    // One left by a window that died goes with the next claim.
    std::ofstream(dir.path("state/recovery-5.tva.lock"));
    {
        RecoveryClaim c(first);
        EXPECT_EQ(lockFiles(), std::vector<std::string>{"recovery.tva.lock"});
    }
    EXPECT_TRUE(lockFiles().empty());
}

} // namespace
} // namespace tonvera::test
