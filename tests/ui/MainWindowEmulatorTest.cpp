// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program against the device emulator: the hardware dialog finds
// the device on the emulator's link, Start and Stop run it, and the polling
// goes on while other windows are open.

#include <algorithm>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <gtest/gtest.h>

#include "device/SerialLine.h"
#include "device/TTonvera.h"
#include "model/MainForm.h"
#include "model/PositionOrder.h"
#include "support/AnswerRelay.h"
#include "support/EmuProcess.h"
#include "support/RecordingDialogs.h"
#include "ui/AppWindows.h"
#include "ui/ControlLookup.h"
#include "ui/HardInitDialog.h"
#include "ui/MainWindow.h"
#include "WhileOpen.h"

using namespace tonvera;
using tonvera::test::control;
using tonvera::test::RecordingDialogs;

namespace {

// The program's windows against a running emulator; skipped where the
// emulator is not built.
struct WindowEmulator : ::testing::Test {
    std::optional<tonvera::test::EmuProcess> emu;
    RecordingDialogs dialogs;
    AppWindows windows;

    void SetUp() override
    {
        if (!std::filesystem::exists(std::string(TONVERA_BIN_DIR) + "/tonvera-emu"))
            GTEST_SKIP() << "tonvera-emu is not built";
        emu.emplace();
        windows = CreateWindows(&dialogs);
        windows.MainForm->show();
    }
};

} // namespace

TEST_F(WindowEmulator, HardwareDialogFindsTheDeviceAndTheSetRuns)
{
    MainWindow& m = *windows.MainForm;

    control<QPushButton>(m, "Button1")->click();
    bool listed = false;
    QTimer::singleShot(0, [&] {
        // The emulator's own link is not the default one; typed by hand.
        listed = control<QComboBox>(*windows.HardInit, "ComSel")->findText("COM4:") == 3;
        control<QComboBox>(*windows.HardInit, "ComSel")->setEditText(QString::fromStdString(emu->link()));
        QTest::keyClick(control<QComboBox>(*windows.HardInit, "ComSel"), Qt::Key_Return);
        if (windows.HardInit->isVisible()) {
            ADD_FAILURE() << "Enter did not end the dialog";
            windows.HardInit->reject();
        }
    });
    control<QAction>(m, "Hardware1")->trigger();
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
    EXPECT_TRUE(listed);
    EXPECT_FALSE(windows.HardInit->isVisible());
    EXPECT_EQ(control<QLabel>(m, "StatusPanel1")->text(), "Hardware initialisiert");
    EXPECT_TRUE(m.line().isOpen());
    EXPECT_TRUE(control<QTimer>(m, "Timer1")->isActive());

    control<QPushButton>(m, "StartButton")->click();
    EXPECT_TRUE(m.device().Running);
    m.Timer1Timer();
    EXPECT_EQ(control<QLabel>(m, "StatusPanel2")->text(), "Signal OK");
    control<QPushButton>(m, "Button4")->click();
    EXPECT_FALSE(m.device().Running);
    EXPECT_TRUE(dialogs.errors.empty());

    m.close();
    EXPECT_FALSE(m.line().isOpen());
}

namespace {

// "Hardware initialisieren" through the dialog, on the emulator's link.
void InitOnEmulator(AppWindows& windows, const std::string& link)
{
    QTimer::singleShot(0, [&] {
        control<QComboBox>(*windows.HardInit, "ComSel")->setEditText(QString::fromStdString(link));
        QTest::keyClick(control<QComboBox>(*windows.HardInit, "ComSel"), Qt::Key_Return);
        if (windows.HardInit->isVisible())
            windows.HardInit->reject();
    });
    control<QAction>(*windows.MainForm, "Hardware1")->trigger();
}

// A signal whose frequency is the variable F with three positions.
void ThreePositions(MainWindow& m)
{
    control<QPushButton>(m, "Button1")->click();
    m.form().state().VariTable.slot(0) = {"F", "100", "200", "300"};
    m.form().Record(0).Freq = "F";
    control<QLineEdit>(m, "Signaldauer")->setText("40");
}

} // namespace

// The polling goes on under the other windows: a run through the variables
// advances while the variables editor is open.
TEST_F(WindowEmulator, RunThroughTheVariablesAdvancesWhileTheEditorIsOpen)
{
    MainWindow& m = *windows.MainForm;
    InitOnEmulator(windows, emu->link());
    ASSERT_EQ(control<QLabel>(m, "StatusPanel1")->text(), "Hardware initialisiert");
    ThreePositions(m);
    control<QCheckBox>(m, "varcheck")->click();
    control<QPushButton>(m, "StartButton")->click();
    ASSERT_TRUE(m.device().Running);
    EXPECT_EQ(control<QLabel>(m, "AktVar")->text(), "1");

    bool reached = false;
    tonvera::test::whileOpen(
        *windows.Variablen,
        [&] {
            reached = QTest::qWaitFor([&] { return control<QLabel>(m, "AktVar")->text() == "3"; }, 5000);
            // The run ends by itself after the last position: Stop puts the
            // position back.
            EXPECT_TRUE(QTest::qWaitFor([&] { return !m.device().Running; }, 5000));
        },
        [&] { control<QAction>(m, "NeueVariable1")->trigger(); });
    EXPECT_TRUE(reached);
    EXPECT_EQ(control<QLabel>(m, "AktVar")->text(), "1");
    EXPECT_TRUE(dialogs.errors.empty());
    m.close();
}

// "Reihenfolge" chosen and a seed typed: the window plays the permutations
// that seed gives, one per pass, and counts the presentations.
TEST_F(WindowEmulator, SeededRandomOrderThroughTheWidgets)
{
    emu.emplace(std::vector<std::string>{"--log", "{dir}/packets.log"});
    MainWindow& m = *windows.MainForm;
    InitOnEmulator(windows, emu->link());
    ASSERT_EQ(control<QLabel>(m, "StatusPanel1")->text(), "Hardware initialisiert");
    ThreePositions(m);
    m.form().state().VariTable.slot(0) = {"F", "100", "200", "300", "400", "500"};
    control<QLineEdit>(m, "AnzWieder")->setText("3");
    control<QRadioButton>(m, "Variablezuerst")->click();
    control<QCheckBox>(m, "varcheck")->click();
    auto* order = control<QComboBox>(m, "Reihenfolge");
    EXPECT_FALSE(control<QLineEdit>(m, "Startwert")->isEnabled());
    order->setFocus();
    QTest::keyClick(order, Qt::Key_Down);
    ASSERT_EQ(order->currentText(), "zufällig");
    EXPECT_TRUE(control<QLineEdit>(m, "Startwert")->isEnabled());
    EXPECT_FALSE(control<QLineEdit>(m, "OrderList")->isEnabled());
    QTest::keyClicks(control<QLineEdit>(m, "Startwert"), "7");

    const std::vector<std::int32_t> seeded = PositionSequence::Run(OrderKind::Random, 5, 7, {}, 3);
    control<QPushButton>(m, "StartButton")->click();
    ASSERT_TRUE(m.device().Running);
    EXPECT_EQ(control<QLabel>(m, "AktVar")->text(), QString::number(seeded[0]));
    EXPECT_EQ(control<QLabel>(m, "Darbietung")->text(), "Darbietung 1 von 5");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m.device().Running; }, 20000));
    EXPECT_TRUE(dialogs.errors.empty());
    m.close();

    // Signal 0's frequency word at each presentation, from the device's log.
    std::vector<std::int32_t> played;
    std::ifstream log(emu->path("packets.log"));
    const std::map<std::string, std::int32_t> positionOf = {
        {"a3 01 00", 1}, {"47 03 00", 2}, {"ea 04 00", 3}, {"8e 06 00", 4}, {"31 08 00", 5}};
    for (std::string line; std::getline(log, line);)
        if (line.rfind("42 00 00 ", 0) == 0 || line.rfind("62 00 00 ", 0) == 0)
            played.push_back(positionOf.at(line.substr(9)));
    EXPECT_EQ(played, seeded);
}

// The external input is watched while the simulation window is open.
TEST_F(WindowEmulator, ExternalInputStartsARunWhileTheSimulationIsOpen)
{
    MainWindow& m = *windows.MainForm; // emulator input 1: the contact is open
    InitOnEmulator(windows, emu->link());
    ASSERT_EQ(control<QLabel>(m, "StatusPanel1")->text(), "Hardware initialisiert");
    ThreePositions(m);
    control<QCheckBox>(m, "ExternStart")->click();
    ASSERT_TRUE(control<QTimer>(m, "Timer1")->isActive());

    bool started = false;
    tonvera::test::whileOpen(
        *windows.SimWin,
        [&] {
            QTest::qWait(150);
            EXPECT_FALSE(m.device().Running); // not while the contact is open
            emu->setInput(false);
            started = QTest::qWaitFor([&] { return m.device().Running; }, 5000);
            emu->setInput(true);
        },
        [&] { control<QPushButton>(m, "Button7")->click(); });
    EXPECT_TRUE(started);
    EXPECT_TRUE(dialogs.errors.empty());
    m.close();
}

// The line passes the program's bytes but keeps the device's answers back,
// in the middle of a run: the window says so once, the signal panel says so
// instead of "Signal OK", and the run is over.
TEST_F(WindowEmulator, ADeviceThatFallsSilentIsReportedOnceAndTheRunIsOver)
{
    MainWindow& m = *windows.MainForm;
    tonvera::test::AnswerRelay relay(emu->link(), emu->path("relay"));
    InitOnEmulator(windows, relay.link());
    ASSERT_EQ(control<QLabel>(m, "StatusPanel1")->text(), "Hardware initialisiert");
    control<QPushButton>(m, "Button1")->click();
    control<QLineEdit>(m, "Signaldauer")->setText("60000");
    control<QPushButton>(m, "StartButton")->click();
    ASSERT_TRUE(m.device().Running);
    ASSERT_TRUE(QTest::qWaitFor([&] { return control<QLabel>(m, "StatusPanel2")->text() == "Signal OK"; }, 5000));

    relay.muteAnswers();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m.device().Running; }, 5000));
    QTest::qWait(300);
    EXPECT_EQ(control<QLabel>(m, "StatusPanel2")->text(), "Das Gerät antwortet nicht mehr");
    const auto said = std::count_if(dialogs.messages.begin(), dialogs.messages.end(),
                                    [](const auto& msg) { return msg.text == "Das Gerät antwortet nicht mehr"; });
    EXPECT_EQ(said, 1);
    EXPECT_TRUE(dialogs.errors.empty());
    m.close();
}
