// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program against the device emulator: the hardware dialog finds
// the device on the emulator's link, Start and Stop run it, and the polling
// goes on while other windows are open, and the journal records what the
// device got.

#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QDate>
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
#include "emu/Registers.h"
#include "model/Dialogs.h"
#include "model/MainForm.h"
#include "model/PositionOrder.h"
#include "support/AnswerRelay.h"
#include "support/EichPoints.h"
#include "support/EmuProcess.h"
#include "support/RecordingDialogs.h"
#include "ui/AppWindows.h"
#include "ui/ControlLookup.h"
#include "ui/HardInitDialog.h"
#include "ui/JournalDialog.h"
#include "ui/MainWindow.h"
#include "ui/WindowSettings.h"
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
        emu.emplace(std::vector<std::string>{"--log", "{dir}/packets.log"});
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

namespace {

// The journal's lines of one kind ("start" or "ende"), each a map from the
// column name to its cell.
std::vector<std::map<std::string, std::string>> JournalRows(const std::string& path, const std::string& event)
{
    std::ifstream in(path);
    std::vector<std::string> header;
    std::vector<std::map<std::string, std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> cells;
        std::istringstream cut(line);
        for (std::string c; std::getline(cut, c, '\t');)
            cells.push_back(c);
        if (header.empty()) {
            header = cells;
            continue;
        }
        cells.resize(header.size());
        std::map<std::string, std::string> row;
        for (std::size_t i = 0; i < header.size(); ++i)
            row[header[i]] = cells[i];
        if (row["ereignis"] == event)
            rows.push_back(row);
    }
    return rows;
}

// Signal 0's registers at each start the emulator logged: the start is the
// stop form of the status query followed by the plain one.
std::vector<emu::ChannelRegisters> RegistersAtStarts(const std::string& logPath)
{
    std::ifstream in(logPath);
    std::vector<emu::Packet> packets;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == 'q')
            continue;
        std::istringstream hex(line);
        emu::Packet p{};
        unsigned v = 0;
        for (std::size_t i = 0; i < p.size() && hex >> std::hex >> v; ++i)
            p[i] = static_cast<std::uint8_t>(v);
        packets.push_back(p);
    }
    emu::DeviceRegisters regs;
    std::vector<emu::ChannelRegisters> starts;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        if (packets[i] == emu::Packet{32, 0, 0, 0, 0, 0} && i + 1 < packets.size() && packets[i + 1] == emu::Packet{})
            starts.push_back(regs.channels[0]);
        emu::ApplyCommand(regs, emu::DecodePacket(packets[i]));
    }
    return starts;
}

// A folder this process cannot write in: one without write permission, or,
// where permissions do not bind (root), one that cannot be made.
std::string UnwritableFolder(const std::string& parent)
{
    const std::string folder = parent + "/schreibgeschuetzt";
    std::filesystem::create_directories(folder);
    ::chmod(folder.c_str(), 0555);
    const std::string probe = folder + "/probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0)
        return folder;
    ::close(fd);
    ::unlink(probe.c_str());
    return "/proc/tonvera-protokoll";
}

} // namespace

// Four positions, variables before repetitions, twice: the journal of the
// day names eight presentations with the frequency and the calibrated
// attenuation the device got at each start.
TEST_F(WindowEmulator, EveryPresentationOfARunIsJournalledAsTheDeviceGotIt)
{
    MainWindow& m = *windows.MainForm;
    InitOnEmulator(windows, emu->link());
    ASSERT_EQ(control<QLabel>(m, "StatusPanel1")->text(), "Hardware initialisiert");
    control<QPushButton>(m, "Button1")->click();
    control<QRadioButton>(m, "SinusEichSel")->click();
    m.form().state().EichTable = tonvera::test::EichTableOf({{100, 2}, {1000, 8}});
    m.form().state().VariTable.slot(0) = {"F", "100", "400", "700", "1000"};
    m.form().Record(0).Freq = "F";
    m.form().Record(0).Ampl = "3";
    control<QLineEdit>(m, "Signaldauer")->setText("40");
    control<QRadioButton>(m, "Variablezuerst")->click();
    control<QLineEdit>(m, "AnzWieder")->setText("2");
    control<QCheckBox>(m, "varcheck")->click();

    control<QPushButton>(m, "StartButton")->click();
    ASSERT_TRUE(m.device().Running);
    EXPECT_TRUE(QTest::qWaitFor([&] { return control<QLabel>(m, "StatusDarbietung")->text() == "Darbietung 1"; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m.device().Running; }, 10000));
    EXPECT_EQ(control<QLabel>(m, "StatusDarbietung")->text(), "8 Darbietungen");
    m.close();
    ASSERT_TRUE(emu->waitFor([&] {
        std::ifstream log(emu->path("packets.log"));
        std::string last;
        for (std::string l; std::getline(log, l);)
            last = l;
        return last == "20 00 00 00 00 00";
    }));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.errors.empty());

    const std::string file = m.journalFile();
    EXPECT_EQ(std::filesystem::path(file).parent_path(), DefaultJournalFolder().toStdString());
    EXPECT_EQ(std::filesystem::path(file).filename(),
              QDate::currentDate().toString(Qt::ISODate).toStdString() + ".tsv");
    const auto rows = JournalRows(file, "start");
    const auto wire = RegistersAtStarts(emu->path("packets.log"));
    ASSERT_EQ(rows.size(), 8u);
    ASSERT_EQ(wire.size(), 8u);
    const std::vector<std::string> positions{"1", "2", "3", "4", "1", "2", "3", "4"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto row = rows[i];
        EXPECT_EQ(row["position"], positions[i]) << i;
        EXPECT_EQ(row["darbietung"], std::to_string(i + 1)) << i;
        const double hz = std::stod(row["s0_frequenz_hz"]);
        EXPECT_NEAR(hz * 16777216.0 / 4e6, wire[i].frequency, 0.5) << i;
        const double sent = std::stod(row["s0_daempfung_gesendet_db"]);
        EXPECT_NEAR(sent, -20 * std::log10(wire[i].amplitude() / 32760.0), 0.01) << i;
        EXPECT_GT(sent, std::stod(row["s0_daempfung_db"])) << i;
    }
    EXPECT_EQ(JournalRows(file, "ende").size(), 8u);
    std::ifstream journal(file);
    const std::string text((std::istreambuf_iterator<char>(journal)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("# Port\t" + emu->link() + "\n"), std::string::npos) << text.substr(0, 300);
}

// The journal's folder cannot be written: one message, and the run goes
// through its positions all the same.
TEST_F(WindowEmulator, AJournalThatCannotBeWrittenIsReportedOnceAndTheRunPlaysOn)
{
    MainWindow& m = *windows.MainForm;
    const std::string folder = UnwritableFolder(emu->dir());
    tonvera::test::whenModal([&](QWidget* w) {
        ASSERT_NE(qobject_cast<JournalDialog*>(w), nullptr);
        control<QLineEdit>(*w, "ProtokollOrdner")->setText(QString::fromStdString(folder));
        control<QPushButton>(*w, "OKBtn")->click();
    });
    control<QAction>(m, "Protokoll1")->trigger();
    InitOnEmulator(windows, emu->link());
    ThreePositions(m);
    control<QCheckBox>(m, "varcheck")->click();
    control<QPushButton>(m, "StartButton")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m.device().Running; }, 10000));
    QTest::qWait(100); // the box waits for the event loop
    EXPECT_EQ(control<QLabel>(m, "StatusDarbietung")->text(), "3 Darbietungen");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.rfind("Protokoll " + folder + "/", 0), 0u) << dialogs.messages[0].text;
    EXPECT_NE(dialogs.messages[0].text.find(" kann nicht geschrieben werden: "), std::string::npos);
    EXPECT_EQ(dialogs.messages[0].title, AttentionTitle);
    EXPECT_TRUE(dialogs.errors.empty());
    m.close();
}
