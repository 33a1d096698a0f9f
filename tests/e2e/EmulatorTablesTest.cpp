// SPDX-License-Identifier: GPL-3.0-or-later
// Table uploads over the real line into the emulator's table memory.

#include "CoreOnEmu.h"

namespace tonvera::test {
namespace {

std::vector<std::string> TableLines(const CoreOnEmu& t)
{
    std::vector<std::string> out;
    for (const auto& p : t.log())
        if (!p.text.empty() && p.text[0] == 'q')
            out.push_back(p.text);
    return out;
}

TEST(DownloadOnEmulator, ChangedTablesOnlyIntoTheirDeviceTables)
{
    CoreOnEmu t({"--log", "{dir}/packets.log"}); // not paced
    ASSERT_TRUE(t.core.InitHardware(t.emu.link()));
    t.view.status[1] = "Hardware initialisiert";
    for (int i : {0, 7}) {
        t.addSine(i, "1000");
        SinusRecord& r = t.core.form().Record(i);
        for (int k = 0; k < TableSize; ++k)
            r.Table[static_cast<std::size_t>(k)] = (k * 7 + i) % 20001 - 10000;
    }
    t.core.DownloadSet();
    EXPECT_EQ(t.view.status[1], "Hardware initialisiert");
    // Signal 0 plays device table 1, signal 7 table 0; the framing check after
    // each table found the device in step.
    ASSERT_TRUE(EmuProcess::waitFor([&] { return TableLines(t).size() == 2; }));
    EXPECT_EQ(TableLines(t), (std::vector<std::string>{"q 32768 32768", "q 0 32768"}));
    EXPECT_EQ(t.core.device().CheckSync(), true);

    // Nothing changed: registers only.
    t.core.DownloadSet();
    t.core.form().Record(7).Table[100] = 1;
    t.core.DownloadSet();
    t.core.FormClose(); // the stop is the last packet
    ASSERT_TRUE(t.logEndsWithStop());
    EXPECT_EQ(TableLines(t), (std::vector<std::string>{"q 32768 32768", "q 0 32768", "q 0 32768"}));
}

} // namespace
} // namespace tonvera::test
