// SPDX-License-Identifier: GPL-3.0-or-later
// The calibration assistant's window through its real widgets against the
// device emulator, with the sound level meter's readings typed into its
// dialog.

#include <QAction>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <filesystem>
#include <functional>
#include <optional>
#include <gtest/gtest.h>

#include "device/TTonvera.h"
#include "files/LineReader.h"
#include "model/MainForm.h"
#include "run/MainCore.h"
#include "support/EmuProcess.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"
#include "ui/AppWindows.h"
#include "ui/CalibrationWindow.h"
#include "ui/ControlLookup.h"
#include "ui/MainWindow.h"

using namespace tonvera;
using tonvera::test::control;

namespace {

struct CalibrationWindowTest : ::testing::Test {
    std::optional<tonvera::test::EmuProcess> emu;
    tonvera::test::RecordingDialogs dialogs;
    AppWindows windows;
    CalibrationWindow* assistant = nullptr;
    QTimer meter;
    // What happens at each reading the window asks for, in order.
    std::deque<std::function<void(QInputDialog&)>> answers;
    int asked = 0;

    void SetUp() override
    {
        if (!std::filesystem::exists(std::string(TONVERA_BIN_DIR) + "/tonvera-emu"))
            GTEST_SKIP() << "tonvera-emu is not built";
        emu.emplace(std::vector<std::string>{"--log", "{dir}/packets.log"});
        windows = CreateWindows(&dialogs);
        MainWindow& m = *windows.MainForm;
        ASSERT_TRUE(m.core().InitHardware(emu->link()));
        // Three points to measure at: the current table's.
        EichTable& t = m.form().state().EichTable;
        t.count = 3;
        t.frequencies = {250, 1000, 4000};
        t.corrections = {1, 1, 1};
        control<QAction>(m, "Kalibrierassistent1")->trigger();
        assistant = dynamic_cast<CalibrationWindow*>(windows.Kalibrierassistent);
        ASSERT_TRUE(assistant && assistant->isVisible());
        control<QComboBox>(*assistant, "Frequenzen")->setCurrentIndex(2);
        control<QLineEdit>(*assistant, "Messzeit")->setText("0,1");

        meter.setInterval(5);
        QObject::connect(&meter, &QTimer::timeout, [this] {
            auto* d = assistant->findChild<QInputDialog*>("Anzeige");
            if (!d || !d->isVisible() || answers.empty())
                return;
            ++asked;
            auto answer = std::move(answers.front());
            answers.pop_front();
            answer(*d);
        });
        meter.start();
    }
    static std::function<void(QInputDialog&)> type(const char* text)
    {
        return [text](QInputDialog& d) {
            d.setTextValue(text);
            d.accept();
        };
    }
    bool deviceRunning() { return windows.MainForm->core().device().Running; }
    std::string lastPacket() const
    {
        std::string last;
        tonvera::test::EmuProcess::waitFor([&] {
            std::ifstream in(emu->path("packets.log"));
            for (std::string line; std::getline(in, line);)
                last = line;
            return last == "20 00 00 00 00 00";
        });
        return last;
    }
};

TEST_F(CalibrationWindowTest, TypedReadingsBecomeCorrectionsAndTheTableIsSavedOnlyOncePassed)
{
    // Target 100 - 30 = 70 dB SPL. The first check reading of 4 kHz is off.
    for (const char* r : {"74", "69,5", "66", "70.2", "70", "68.5"})
        answers.push_back(type(r));
    control<QPushButton>(*assistant, "Messen")->click();
    ASSERT_EQ(asked, 6);
    const auto& steps = assistant->assistant()->steps();
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_DOUBLE_EQ(steps[0].Correction, 4.0);
    EXPECT_DOUBLE_EQ(steps[1].Correction, -0.5);
    EXPECT_DOUBLE_EQ(steps[2].Correction, -4.0);
    EXPECT_FALSE(control<QPushButton>(*assistant, "Speichern")->isEnabled());
    EXPECT_EQ(windows.MainForm->form().state().EichTable.corrections[0], 1.0);

    // Measured again through its -4 dB: 1.5 dB too soft still.
    answers.push_back(type("68.5"));
    answers.push_back(type("70.1"));
    control<QPushButton>(*assistant, "Nachmessen")->click();
    EXPECT_DOUBLE_EQ(steps[2].Correction, -5.5);
    ASSERT_TRUE(control<QPushButton>(*assistant, "Speichern")->isEnabled());

    tonvera::test::TempDir dir;
    dialogs.fileAnswers.push_back(dir.path("raum.cal"));
    control<QPushButton>(*assistant, "Speichern")->click();
    EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
    const EichTable& t = windows.MainForm->form().state().EichTable;
    EXPECT_EQ(t.count, 3);
    EXPECT_EQ(t.corrections[2], -5.5);
    EXPECT_TRUE(std::filesystem::exists(dir.path("raum-protokoll.txt")));
    EXPECT_TRUE(std::filesystem::exists(dir.path("raum-kurven.png")));
    EXPECT_FALSE(deviceRunning());
    if (const char* shots = std::getenv("TONVERA_SCREENSHOT_DIR"))
        assistant->grab().save(QString::fromUtf8(shots) + "/kalibrierassistent.png");
}

TEST_F(CalibrationWindowTest, StopEscAndTheCloseBoxStopTheDeviceWhileAToneWaitsForItsReading)
{
    const std::function<void()> stops[] = {
        [&] { control<QPushButton>(*assistant, "Stopp")->click(); },
        [&] { QTest::keyClick(assistant, Qt::Key_Escape); },
        [&] { assistant->close(); },
    };
    for (const auto& stop : stops) {
        assistant->show();
        bool playing = false, stoppedAtOnce = false;
        answers.push_back([&](QInputDialog&) {
            playing = deviceRunning();
            stop();
            stoppedAtOnce = !deviceRunning();
        });
        control<QPushButton>(*assistant, "Messen")->click();
        EXPECT_TRUE(playing);
        EXPECT_TRUE(stoppedAtOnce);
        EXPECT_FALSE(deviceRunning());
        EXPECT_EQ(lastPacket(), "20 00 00 00 00 00");
        EXPECT_FALSE(assistant->assistant()->steps()[0].Measured);
        EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
    }
}

} // namespace
