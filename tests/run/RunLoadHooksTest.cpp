// SPDX-License-Identifier: GPL-3.0-or-later
// A project load through MainCore: tables afresh to the device, the external
// start's click handler; the default files at start-up.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "RunFixture.h"

namespace tonvera::test {
namespace {

namespace fs = std::filesystem;

class LoadTest : public RunFixture {
protected:
    LoadTest()
    {
        dir = fs::temp_directory_path() / ("tonvera-load-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    ~LoadTest() override { fs::remove_all(dir); }

    // A project with signal 0 (a non-zero table) and signal 1 (all zeros),
    // "Externes Starten" checked.
    std::string saveProject(const std::string& name)
    {
        addSine(0, "1000");
        addSine(1, "2000");
        for (int k = 0; k < TableSize; ++k)
            core.form().Record(0).Table[static_cast<std::size_t>(k)] = k % 100 - 50;
        view.check(CheckBox::ExternStart) = true;
        const std::string path = (dir / name).string();
        core.files().SaveProject(path);
        return path;
    }

    std::size_t tableBlocks(const ScriptedLine& l) const
    {
        std::size_t n = 0;
        for (const Bytes& w : l.writes)
            n += w.size() == 1536;
        return n;
    }

    fs::path dir;
};

TEST_F(LoadTest, LoadSendsEveryNonZeroTableAndRunsTheExternalStartHandler)
{
    const std::string path = saveProject("p.tva");

    test::FakeView v2;
    test::RecordingDialogs d2;
    ScriptedLine l2;
    l2.responder = ScriptedLine::answerEveryPacket(0);
    VirtualClock c2;
    MainCore fresh(v2, d2, l2, c2);
    // What was uploaded before counts for nothing: the cache is cleared.
    fresh.device().TableCache[1][0] = 7;
    fresh.files().LoadProject(path);

    EXPECT_EQ(tableBlocks(l2), 128u); // signal 0 only; signal 1's table is all zeros
    EXPECT_TRUE(v2.timer);
    EXPECT_EQ(fresh.device().TableCache[1][0], 0);
    EXPECT_EQ(fresh.device().TableCache[0][1], -49);

    // With the port closed nothing goes out.
    ScriptedLine l3;
    l3.opened = false;
    test::FakeView v3;
    MainCore closed(v3, d2, l3, c2);
    closed.files().LoadProject(path);
    EXPECT_TRUE(l3.writes.empty());
    EXPECT_EQ(l3.droppedWrites, 0);
}

TEST_F(LoadTest, AfterALoadWhoseTablesFailedTheNextSaveProposesTheLoadedFile)
{
    const std::string path = saveProject("messung1.tva");
    test::FakeView v2;
    test::RecordingDialogs d2;
    ScriptedLine silent; // open, but no device answers: the table check fails
    VirtualClock c2;
    MainCore fresh(v2, d2, silent, c2);
    fresh.files().SaveFileName = "vorher.tva";
    d2.fileAnswers = {path};
    try {
        fresh.files().Laden1Click();
        ADD_FAILURE() << "the upload did not fail";
    } catch (const AbortError& e) {
        EXPECT_EQ(e.text(), "Tabelle 1 wurde nicht fehlerfrei übertragen");
    }
    EXPECT_TRUE(fresh.form().Record(0).Used);
    EXPECT_EQ(fresh.files().ProjectFileName, path);
    EXPECT_EQ(fresh.files().SaveFileName, path);
}

// A program started in `dir` with its port closed, as at start-up.
struct StartedProgram {
    explicit StartedProgram(const fs::path& dir)
    {
        line.opened = false;
        const fs::path before = fs::current_path();
        fs::current_path(dir);
        try {
            core.FormCreate();
        } catch (...) {
            fs::current_path(before);
            throw;
        }
        fs::current_path(before);
    }
    test::FakeView view;
    test::RecordingDialogs dialogs;
    ScriptedLine line;
    VirtualClock clock;
    MainCore core{view, dialogs, line, clock};
};

TEST_F(LoadTest, StartUpLoadsTheDefaultFilesFromTheWorkingDirectory)
{
    saveProject("default.tva");
    {
        std::ofstream cal(dir / "Default.cal", std::ios::binary); // other case: still found
        cal << "100/-1.5\r\n2000/2.5\r\n";
    }
    StartedProgram started(dir);
    test::FakeView& v2 = started.view;
    ScriptedLine& l2 = started.line;
    MainCore& fresh = started.core;

    EXPECT_EQ(v2.status[2], "");
    EXPECT_EQ(v2.status[3], "");
    EXPECT_EQ(fresh.state().EichTable.count, 2);
    EXPECT_TRUE(fresh.form().Record(0).Used);
    EXPECT_EQ(fresh.form().Record(1).Freq, "2000");
    EXPECT_TRUE(v2.timer); // "Externes Starten" from the file
    EXPECT_TRUE(l2.writes.empty());
}

TEST_F(LoadTest, StartUpWithoutDefaultFilesKeepsTheNewState)
{
    StartedProgram started(dir);
    test::FakeView& v2 = started.view;
    test::RecordingDialogs& d2 = started.dialogs;
    ScriptedLine& l2 = started.line;
    MainCore& fresh = started.core;

    EXPECT_EQ(fresh.form().SignalCount(), 0);
    EXPECT_EQ(fresh.state().SelectedSignal, -1);
    EXPECT_EQ(fresh.state().VariPos, 1);
    EXPECT_EQ(fresh.state().VariTable.variableCount(), 0);
    EXPECT_EQ(fresh.state().EichTable.count, 0);
    EXPECT_EQ(v2.editText(EditField::Signaldauer), "1000");
    EXPECT_EQ(v2.editText(EditField::Triggerstart), "100");
    EXPECT_EQ(v2.editText(EditField::Triggerstop), "900");
    EXPECT_EQ(v2.editText(EditField::EndDamp), "0");
    EXPECT_FALSE(v2.timer);
    EXPECT_TRUE(d2.messages.empty());
    EXPECT_TRUE(l2.writes.empty());
}

TEST_F(LoadTest, StartUpWithOnlyTheCalibrationFileLeavesTheSetNew)
{
    {
        std::ofstream cal(dir / "default.cal", std::ios::binary);
        cal << "100/2.00\r\n1000/4.00\r\n5000/-1.25\r\n";
    }
    StartedProgram started(dir);
    test::FakeView& v2 = started.view;
    test::RecordingDialogs& d2 = started.dialogs;
    MainCore& fresh = started.core;

    ASSERT_EQ(fresh.state().EichTable.count, 3);
    EXPECT_DOUBLE_EQ(EichCorrection(fresh.state().EichTable, 550), 3.0);
    EXPECT_DOUBLE_EQ(fresh.state().EichTable.corrections[2], -1.25);
    EXPECT_EQ(fresh.form().SignalCount(), 0);
    EXPECT_EQ(fresh.state().SelectedSignal, -1);
    EXPECT_EQ(v2.editText(EditField::Signaldauer), "1000");
    EXPECT_TRUE(d2.messages.empty());
}

} // namespace
} // namespace tonvera::test
