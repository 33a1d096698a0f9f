// SPDX-License-Identifier: GPL-3.0-or-later
// The progress window as the core drives it: which table of how many, the
// attempts of the hardware search, and "Abbrechen" between two blocks.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RunFixture.h"
#include "model/TableFill.h"
#include "run/TransferProgress.h"

namespace tonvera::test {
namespace {

// Records what it is shown; says "Abbrechen" at the given question.
struct RecordingWindow : ProgressPort {
    std::vector<std::string> texts;
    int asks = 0;
    int cancelAtAsk = 0; // never
    int ends = 0;
    void showProgress(const std::string& text, int) override { texts.push_back(text); }
    bool cancelRequested() override { return ++asks == cancelAtAsk; }
    void keepAlive() override {}
    void endProgress() override { ++ends; }
};

class TransferProgressTest : public RunFixture {
protected:
    TransferProgressTest()
    {
        core.setProgressWindow(&window);
        line.open("COM3:");
        for (int i = 0; i < 3; ++i) {
            addSine(i, "1000");
            FillSine(core.form().Record(i));
        }
    }
    RecordingWindow window;
};

TEST_F(TransferProgressTest, TablesAreCountedAmongThoseThisDownloadSends)
{
    core.DownloadSet();
    ASSERT_FALSE(window.texts.empty());
    EXPECT_EQ(window.texts.front(), "Lade Tabelle 1 von 3: 0 %");
    EXPECT_EQ(window.texts[1], "Lade Tabelle 1 von 3: 1 %");
    EXPECT_EQ(window.texts.back(), "Lade Tabelle 3 von 3: 100 %");
    EXPECT_EQ(window.ends, 1);

    // Only signal 2 changed: it is table 1 of 1 now.
    window.texts.clear();
    core.form().Record(2).Table[0] += 1;
    core.DownloadSet();
    ASSERT_FALSE(window.texts.empty());
    EXPECT_EQ(window.texts.front(), "Lade Tabelle 1 von 1: 0 %");
    EXPECT_EQ(window.texts.back(), "Lade Tabelle 1 von 1: 100 %");
    EXPECT_EQ(FirmwareProgressText(45), "Lade Firmware: 45 %");
}

TEST_F(TransferProgressTest, AbbrechenEndsTheUploadBetweenBlocksAndStopsTheDevice)
{
    core.device().Running = true; // << during a run downloads while it plays
    window.cancelAtAsk = 3;
    line.clearWrites();
    EXPECT_THROW(core.DownloadSet(), TransferInterrupted);
    long blocks = 0;
    for (const Bytes& w : line.writes)
        blocks += w.size() == 256 * 6 ? 1 : 0;
    EXPECT_EQ(blocks, 2);
    EXPECT_EQ(line.writes.back(), Packet(32, 0));
    EXPECT_FALSE(core.device().Running);
    EXPECT_EQ(core.device().TableCache[0], WaveTable());
    EXPECT_EQ(window.ends, 1);

    // The next download asks afresh and sends the table again.
    window.texts.clear();
    window.cancelAtAsk = 0;
    core.DownloadSet();
    EXPECT_EQ(window.texts.front(), "Lade Tabelle 1 von 3: 0 %");
    EXPECT_EQ(core.device().TableCache[0], core.form().Record(0).Table);
}

TEST_F(TransferProgressTest, SearchCountsItsAttemptsAndEndsAsNotFoundWhenBrokenOff)
{
    line.responder = nullptr; // nothing answers: no device, no boot loader
    window.cancelAtAsk = 4;
    EXPECT_THROW(core.InitHardware("COM3:"), TransferInterrupted);
    EXPECT_EQ(window.texts,
              (std::vector<std::string>{"Suche Hardware...", "Suche Hardware: Versuch 1 von 11",
                                        "Suche Hardware: Versuch 2 von 11", "Suche Hardware: Versuch 3 von 11",
                                        "Suche Hardware: Versuch 4 von 11"}));
    EXPECT_EQ(view.statusText(StatusPanelHardware), "Hardware nicht gefunden");
    EXPECT_FALSE(line.isOpen());

    window.texts.clear();
    window.cancelAtAsk = 0;
    EXPECT_FALSE(core.InitHardware("COM3:"));
    EXPECT_EQ(window.texts.size(), 12u);
    EXPECT_EQ(window.texts.back(), SearchProgressText(11, 11));
}

} // namespace
} // namespace tonvera::test
