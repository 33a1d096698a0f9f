// SPDX-License-Identifier: GPL-3.0-or-later
// Unsaved work survives a crash: it goes to the recovery file while it is
// unsaved, the file goes on a save and a clean quit, and the next start
// offers it back, also after the program was killed outright.

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/FileCommands.h"
#include "files/RecoveryFile.h"
#include "model/MainForm.h"
#include "support/RecordingDialogs.h"
#include "ui/AppWindows.h"
#include "ui/MainWindow.h"

using namespace tonvera;
using tonvera::test::RecordingDialogs;

namespace {

constexpr const char* RecoveryQuestion =
    "Tonvera wurde nicht ordnungsgemäß beendet. Die ungesicherten Änderungen "
    "der letzten Sitzung wiederherstellen?";

bool recoveryWritten() { return RecoveryFileExists(RecoveryFilePath()); }

// The test program in a folder of its own (no default files there), with
// the recovery interval in milliseconds; it dies with the test.
pid_t startProbe(const std::string& folder, int intervalMs)
{
    const std::string program = std::string(TONVERA_BIN_DIR) + "/tonvera-recovery-probe";
    const std::string interval = std::to_string(intervalMs);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent || ::chdir(folder.c_str()) != 0)
            ::_exit(126);
        ::execl(program.c_str(), program.c_str(), interval.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

} // namespace

TEST(WindowRecoveryTest, UnsavedWorkIsWrittenAndGoesOnSaveAndOnACleanQuit)
{
    RecordingDialogs dialogs;
    MainWindow w{&dialogs};
    w.setRecoveryInterval(std::chrono::milliseconds(20));
    QTemporaryDir dir;
    QTest::mouseClick(w.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(recoveryWritten, 10000));

    dialogs.fileAnswers = {dir.filePath("messung.tva").toStdString()};
    w.findChild<QAction*>("Speichern1")->trigger();
    EXPECT_FALSE(recoveryWritten());

    QTest::mouseClick(w.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(recoveryWritten, 10000));
    w.close(); // "Verwerfen"
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(recoveryWritten());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(WindowRecoveryTest, ASecondWindowNeitherOffersNorTouchesTheFirstOnesFile)
{
    RecordingDialogs first;
    MainWindow a{&first};
    a.setRecoveryInterval(std::chrono::milliseconds(20));
    QTest::mouseClick(a.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(recoveryWritten, 10000));

    RecordingDialogs second;
    AppWindows windows = CreateWindows(&second);
    MainWindow& b = *windows.MainForm;
    EXPECT_TRUE(second.questions.empty());
    b.setRecoveryInterval(std::chrono::milliseconds(20));
    QTest::mouseClick(b.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    const std::string own = std::filesystem::path(RecoveryFilePath()).replace_filename("recovery-2.tva").string();
    ASSERT_TRUE(QTest::qWaitFor([&] { return RecoveryFileExists(own); }, 10000));
    b.close(); // "Verwerfen"
    EXPECT_FALSE(RecoveryFileExists(own));
    EXPECT_TRUE(recoveryWritten());
}

TEST(WindowRecoveryTest, AfterSigkillTheNextStartRestoresTheChange)
{
    if (!std::filesystem::exists(std::string(TONVERA_BIN_DIR) + "/tonvera-recovery-probe"))
        GTEST_SKIP() << "tonvera-recovery-probe is not built";
    QTemporaryDir folder;
    const pid_t probe = startProbe(folder.path().toStdString(), 100);
    ASSERT_GT(probe, 0);
    // The file is there one interval after the change at the earliest.
    const bool written = QTest::qWaitFor(recoveryWritten, 20000);
    ::kill(probe, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(probe, &status, 0), probe);
    ASSERT_TRUE(written);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    RecordingDialogs dialogs;
    dialogs.questionAnswers = {"Wiederherstellen"};
    AppWindows windows = CreateWindows(&dialogs);
    MainWindow& w = *windows.MainForm;
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].text, RecoveryQuestion);
    EXPECT_EQ(dialogs.questions[0].answers, (std::vector<std::string>{"Wiederherstellen", "Verwerfen"}));
    ASSERT_EQ(w.form().SignalCount(), 1);
    EXPECT_EQ(w.form().Record(0).Freq, "777");
    EXPECT_EQ(w.findChild<QLineEdit*>("Freq")->text(), "777");
    // No file holds it yet: the operator must save it, and until then the
    // recovery file stays.
    EXPECT_TRUE(w.projectModified());
    EXPECT_EQ(w.windowTitle(), "Tonvera*");
    EXPECT_TRUE(w.files().ProjectFileName.empty());
    EXPECT_TRUE(recoveryWritten());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(WindowRecoveryTest, VerwerfenAtTheStartRemovesTheFile)
{
    {
        RecordingDialogs dialogs;
        MainWindow w{&dialogs};
        QTest::mouseClick(w.findChild<QPushButton*>("Button1"), Qt::LeftButton);
        ASSERT_TRUE(MakeRecoveryFolder(RecoveryFilePath()));
        w.files().SaveProject(RecoveryFilePath());
    }
    RecordingDialogs dialogs;
    dialogs.questionAnswers = {"Verwerfen"};
    AppWindows windows = CreateWindows(&dialogs);
    EXPECT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(windows.MainForm->form().SignalCount(), 0);
    EXPECT_FALSE(recoveryWritten());
    EXPECT_FALSE(windows.MainForm->projectModified());
}
