// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera-emu --wav: what the emulator played on its line, written as render
// writes it.

#include <algorithm>

#include "CliProcess.h"
#include "model/TableFill.h"
#include "support/EmuProcess.h"

namespace tonvera::test {
namespace {

TEST(EmuWav, RecordsWhatItPlayedAsRenderDoes)
{
    TempDir dir;
    ProjectBuilder p;
    SinusRecord& r = p.signal(0, "1000");
    FillSine(r);
    r.Start = "5";
    r.RampUp = "1";
    r.RampDown = "1";
    p.globals.Signaldauer = "50";
    p.globals.Triggerstart = "5";
    p.globals.Triggerstop = "20";
    p.write(dir.path("p.tva"));

    std::string played;
    {
        EmuProcess emu({"--wav", "{dir}/played.wav"});
        const CliResult run = RunCli({"play", dir.path("p.tva"), "--port", emu.link()});
        ASSERT_EQ(run.code, 0) << run.err;
        emu.stop(); // the recording is written when the emulator ends
        played = ReadAll(emu.path("played.wav"));
        EXPECT_TRUE(Contains(emu.output(), "0.050 s in 1 run(s) written to")) << emu.output();
    }
    const CliResult rendered = RunCli({"render", dir.path("p.tva"), dir.path("rendered.wav")});
    ASSERT_EQ(rendered.code, 0) << rendered.err;

    // The same packets make the same run, so the files agree byte for byte.
    ASSERT_FALSE(played.empty());
    EXPECT_TRUE(played == ReadAll(dir.path("rendered.wav")));
    std::ofstream(dir.path("copy.wav"), std::ios::binary) << played;
    const Wav w = Wav::read(dir.path("copy.wav"));
    EXPECT_EQ(w.output.size(), 2400u); // 50 ms at 48 kHz
    EXPECT_EQ(*std::max_element(w.output.begin(), w.output.end()), 32492);
}

} // namespace
} // namespace tonvera::test
