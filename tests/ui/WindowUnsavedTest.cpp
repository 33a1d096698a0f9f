// SPDX-License-Identifier: GPL-3.0-or-later
// Unsaved changes in the main window: the question before quitting,
// "Neu" and "Laden", each answer doing what it says, and the title that
// names the file and marks unsaved changes.

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

#include "files/FileCommands.h"
#include "model/MainForm.h"
#include "support/RecordingDialogs.h"
#include "ui/AppWindows.h"
#include "ui/MainWindow.h"

using namespace tonvera;
using tonvera::test::RecordingDialogs;

namespace {

constexpr const char* Question = "Das Projekt wurde geändert. Änderungen speichern?";

struct WindowUnsavedTest : ::testing::Test {
    RecordingDialogs dialogs;
    MainWindow w{&dialogs};
    QTemporaryDir dir;
    std::string file = dir.filePath("messung3.tva").toStdString();

    void SetUp() override
    {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
    template <class T>
    T* child(const char* name)
    {
        return w.findChild<T*>(name);
    }
    void change() { QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton); }
    void quit() { child<QAction>("Beenden1")->trigger(); }
    bool written() const { return std::filesystem::exists(file); }
};

} // namespace

TEST_F(WindowUnsavedTest, SpeichernWritesTheFileThenQuits)
{
    change();
    dialogs.questionAnswers = {"Speichern"};
    dialogs.fileAnswers = {file};
    quit();
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].text, Question);
    EXPECT_EQ(dialogs.questions[0].answers, (std::vector<std::string>{"Speichern", "Verwerfen", "Abbrechen"}));
    EXPECT_EQ(dialogs.questions[0].escape, 2u);
    EXPECT_TRUE(written());
    EXPECT_FALSE(w.isVisible());
}

TEST_F(WindowUnsavedTest, SpeichernWithoutAFileWrittenKeepsTheWindow)
{
    change();
    dialogs.questionAnswers = {"Speichern"};
    w.close(); // the save dialog is cancelled
    EXPECT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.projectModified());
}

TEST_F(WindowUnsavedTest, VerwerfenQuitsWithoutWriting)
{
    change();
    dialogs.questionAnswers = {"Verwerfen"};
    w.close();
    EXPECT_EQ(dialogs.questions.size(), 1u);
    EXPECT_TRUE(dialogs.fileRequests.empty());
    EXPECT_FALSE(written());
    EXPECT_FALSE(w.isVisible());
}

TEST_F(WindowUnsavedTest, AbbrechenKeepsTheWindowAndTheWork)
{
    change();
    dialogs.questionAnswers = {"Abbrechen", "Abbrechen", "Abbrechen"};
    quit();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(dialogs.fileRequests.empty());
    // "Neu" and "Laden" ask the same and drop nothing when cancelled.
    child<QAction>("Neu1")->trigger();
    child<QAction>("Laden1")->trigger();
    EXPECT_EQ(dialogs.questions.size(), 3u);
    EXPECT_TRUE(dialogs.fileRequests.empty());
    EXPECT_EQ(w.form().SignalCount(), 1);
    EXPECT_TRUE(w.projectModified());
}

TEST_F(WindowUnsavedTest, NoQuestionWithoutChanges)
{
    // A change taken back is no change.
    change();
    child<QAction>("Rueckgaengig1")->trigger();
    quit();
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_FALSE(w.isVisible());
}

TEST_F(WindowUnsavedTest, TheTitleNamesTheFileAndMarksUnsavedChanges)
{
    EXPECT_EQ(w.windowTitle(), "Tonvera");
    change();
    EXPECT_EQ(w.windowTitle(), "Tonvera*");
    dialogs.fileAnswers = {file};
    child<QAction>("Speichern1")->trigger();
    EXPECT_EQ(w.windowTitle(), "Tonvera - messung3.tva");
    auto* freq = child<QLineEdit>("Freq");
    freq->setFocus();
    freq->selectAll();
    QTest::keyClicks(freq, "440");
    QTest::keyClick(freq, Qt::Key_Return);
    EXPECT_EQ(w.windowTitle(), "Tonvera - messung3.tva*");
    child<QAction>("Rueckgaengig1")->trigger();
    EXPECT_EQ(w.windowTitle(), "Tonvera - messung3.tva");
}

TEST_F(WindowUnsavedTest, AProjectNamedAtTheStartIsLoadedAfterTheDefaultFilesAsLadenLoadsIt)
{
    change();
    const auto saveWithFreq = [&](const char* freq, const std::string& path) {
        auto* edit = child<QLineEdit>("Freq");
        edit->setText(freq);
        QTest::keyClick(edit, Qt::Key_Return);
        w.files().SaveProject(path);
    };
    saveWithFreq("111", dir.filePath("default.tva").toStdString());
    saveWithFreq("222", file);

    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path().toStdString());
    RecordingDialogs started;
    AppWindows windows = CreateWindows(&started);
    std::filesystem::current_path(before);
    MainWindow& m = *windows.MainForm;
    ASSERT_EQ(m.form().Record(0).Freq, "111");
    m.OpenNamedProject(file);
    EXPECT_EQ(m.form().Record(0).Freq, "222");
    EXPECT_EQ(m.files().SaveFileName, file);
    EXPECT_EQ(m.windowTitle(), "Tonvera - messung3.tva");
    EXPECT_FALSE(m.projectModified());
    EXPECT_TRUE(started.errors.empty());
    EXPECT_TRUE(started.questions.empty());
}
