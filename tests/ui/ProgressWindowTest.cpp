// SPDX-License-Identifier: GPL-3.0-or-later
// The progress window of long uploads, against the emulator paced at the
// line's real speed: the program answers its events all through a table
// upload, and "Abbrechen" ends the upload between two blocks with the device
// stopped and the table due again.

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

#include "device/SerialSupport.h"
#include "device/SleepPause.h"
#include "device/TTonvera.h"
#include "model/WaveTable.h"
#include "run/MainCore.h"
#include "support/EmuProcess.h"
#include "support/RecordingDialogs.h"
#include "ui/MainWindow.h"
#include "ui/ProgressWindow.h"

using namespace tonvera;
using tonvera::test::RecordingDialogs;

namespace {

constexpr std::size_t TableBlockBytes = 256 * 6;

// The real serial line, keeping the size and the first bytes of each write.
class WatchedLine final : public SerialLine {
public:
    bool open(const std::string& name) override { return Real.open(name); }
    void close() override { Real.close(); }
    bool isOpen() const override { return Real.isOpen(); }
    void writeBlock(std::span<const std::uint8_t> bytes) override
    {
        Writes.emplace_back(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 6));
        Sizes.push_back(bytes.size());
        Real.setWaitHook(waitHook());
        Real.writeBlock(bytes);
    }
    LineRead readByte() override { return Real.readByte(); }
    LineFault takeFault() override { return Real.takeFault(); }
    void waitSent() override
    {
        Real.setWaitHook(waitHook());
        Real.waitSent();
    }

    long tableBlocks() const { return std::count(Sizes.begin(), Sizes.end(), TableBlockBytes); }

    std::vector<std::vector<std::uint8_t>> Writes;
    std::vector<std::size_t> Sizes;

private:
    SerialSupport Real;
};

// Presses "Abbrechen" in the progress window once it has been up for a
// while; keeps what it saw.
struct Breaker {
    QString text;
    bool modal = false;
    long blocksAtPress = -1;

    void pressIn(MainWindow& m, WatchedLine& line)
    {
        auto* window = m.findChild<QWidget*>("ProgressWindow");
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(window->isVisible());
        modal = QApplication::activeModalWidget() == window;
        text = window->findChild<QLabel*>("ProgressText")->text();
        blocksAtPress = line.tableBlocks();
        QTest::mouseClick(window->findChild<QPushButton*>("ProgressCancel"), Qt::LeftButton);
    }
};

} // namespace

TEST(ProgressWindowTest, PacedTableUploadStaysAliveAndStopsWhenBrokenOff)
{
    if (!std::filesystem::exists(std::string(TONVERA_BIN_DIR) + "/tonvera-emu"))
        GTEST_SKIP() << "tonvera-emu is not built";
    tonvera::test::EmuProcess emu({"--pace"});
    WatchedLine line;
    SleepPause pause;
    RecordingDialogs dialogs;
    MainWindow m(&dialogs, &line, &pause);
    m.show();
    ASSERT_TRUE(m.core().InitHardware(emu.link()));
    m.findChild<QPushButton*>("Button1")->click(); // a sine: its table is due
    // Ticks are asked for all through the upload; the gate keeps them out.
    m.setTimerEnabled(true);
    auto* start = m.findChild<QPushButton*>("StartButton");

    // The largest gap between two handled events while table blocks go
    // out: each handled event posts the next one.
    QElapsedTimer since;
    qint64 lastHandled = -1;
    qint64 largestGap = 0;
    bool probing = true;
    std::function<void()> probe = [&] {
        if (!probing)
            return;
        if (line.tableBlocks() > 0) {
            const qint64 now = since.elapsed();
            if (lastHandled >= 0)
                largestGap = std::max(largestGap, now - lastHandled);
            lastHandled = now;
        }
        QMetaObject::invokeMethod(qApp, probe, Qt::QueuedConnection);
    };
    since.start();
    probe();

    Breaker first;
    line.Writes.clear();
    line.Sizes.clear();
    QTimer::singleShot(1500, [&] { first.pressIn(m, line); });
    start->click();
    probing = false;

    EXPECT_TRUE(first.modal);
    EXPECT_TRUE(QRegularExpression("^Lade Tabelle 1 von 1: \\d+ %$").match(first.text).hasMatch())
        << first.text.toStdString();
    EXPECT_GT(first.blocksAtPress, 2);
    EXPECT_LE(line.tableBlocks() - first.blocksAtPress, 1) << "more than one block after Abbrechen";
    EXPECT_LT(line.tableBlocks(), 128);
    EXPECT_LT(largestGap, 200) << "ms without events during the upload";
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{"Übertragung abgebrochen"});
    EXPECT_FALSE(m.findChild<QWidget*>("ProgressWindow")->isVisible());

    // Between the first block and the stop only table blocks went out: no
    // tick polled in the middle of the table. The device is stopped last.
    const auto firstBlock = std::find(line.Sizes.begin(), line.Sizes.end(), TableBlockBytes) - line.Sizes.begin();
    for (std::size_t i = static_cast<std::size_t>(firstBlock); i + 1 < line.Sizes.size(); ++i)
        EXPECT_EQ(line.Sizes[i], TableBlockBytes) << "write " << i;
    EXPECT_EQ(line.Writes.back(), (std::vector<std::uint8_t>{32, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(m.core().device().Running);
    EXPECT_EQ(m.core().device().TableCache[0], WaveTable());

    // The next Start sends the table again, and can be broken off again.
    Breaker second;
    line.Sizes.clear();
    dialogs.errors.clear();
    // Start first waits for the answers to what the broken-off upload left
    // on its way (the paced device still takes it); the window comes after.
    QTimer waitForWindow;
    QObject::connect(&waitForWindow, &QTimer::timeout, [&] {
        auto* window = m.findChild<QWidget*>("ProgressWindow");
        if (window && window->isVisible() && line.tableBlocks() > 0) {
            waitForWindow.stop();
            second.pressIn(m, line);
        }
    });
    waitForWindow.start(50);
    start->click();
    EXPECT_TRUE(second.text.startsWith("Lade Tabelle 1 von 1: ")) << second.text.toStdString();
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{"Übertragung abgebrochen"});
    EXPECT_EQ(m.core().device().TableCache[0], WaveTable());
    m.close();
}
