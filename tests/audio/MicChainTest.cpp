// SPDX-License-Identifier: GPL-3.0-or-later
// The measuring chain without a sound card: tonvera-emu plays through its
// transducer into a FIFO, ALSA's file plugin reads the FIFO as a capture
// device, and the microphone source measures what arrives.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>

#include "audio/MicLevelSource.h"
#include "cli/CliProcess.h"
#include "model/Errors.h"
#include "model/TableFill.h"
#include "support/EmuProcess.h"

namespace tonvera::test {
namespace {

using audio::MicLevelSource;

// An ALSA configuration of the test's own: the only PCM is the FIFO.
void UseAlsaConfig(const TempDir& dir, const std::string& fifo)
{
    const std::string conf = dir.path("asound.conf");
    std::ofstream(conf) << "pcm.tonvera_test {\n"
                           "    type file\n"
                           "    slave { pcm { type null } }\n"
                           "    file \"/dev/null\"\n"
                           "    infile \""
                        << fifo
                        << "\"\n"
                           "    format \"raw\"\n"
                           "    hint { show on description \"Emulator\" }\n"
                           "}\n";
    ::setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
}

std::string MakeFifo(const TempDir& dir)
{
    const std::string fifo = dir.path("audio");
    if (::mkfifo(fifo.c_str(), 0600) != 0)
        throw std::runtime_error("mkfifo failed");
    return fifo;
}

TEST(MicChain, FollowsTheTransducersGain)
{
    TempDir dir;
    const std::string fifo = MakeFifo(dir);
    UseAlsaConfig(dir, fifo);
    // -8 dB at 125 Hz to +8 dB at 8 kHz, 0 dB at 1 kHz; linear in between.
    std::ofstream(dir.path("transducer.txt")) << "125/-8\r\n1000/0\r\n8000/8\r\n";

    // Three steady tones at once, each 20 dB below full level.
    ProjectBuilder p;
    const char* freqs[] = {"250", "1000", "4000"};
    for (int i = 0; i < 3; ++i) {
        SinusRecord& r = p.signal(i, freqs[i]);
        FillSine(r);
        r.Ampl = "20";
        r.RampUp = "10";
        r.Dach = "59000";
    }
    p.globals.Signaldauer = "60000";
    p.write(dir.path("tones.tva"));

    EmuProcess emu({"--transducer", dir.path("transducer.txt"), "--audio-out", fifo});
    // Nobody reads the FIFO while the device is set up and started.
    CliProcess cli({"play", dir.path("tones.tva"), "--port", emu.link()});
    ASSERT_TRUE(EmuProcess::waitFor([&] { return Contains(cli.out(), "Signal: Signal OK\n"); })) << cli.err();

    // The operator picks it from ALSA's list of inputs.
    const auto devices = audio::CaptureDevices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, "tonvera_test");
    EXPECT_EQ(devices[0].description, "Emulator");
    MicLevelSource mic(devices[0].name);
    // The calibrator's tone is the 1 kHz one: 94 dB SPL.
    const double sensitivity = mic.calibrate(1000, 94.0, 1.0);
    // 20 dB below full level, where the transducer adds nothing.
    EXPECT_NEAR(sensitivity, -20.0, 0.5);
    // Each reading opens the FIFO again: the emulator follows its readers.
    EXPECT_NEAR(mic.measure(250, 1.0), 94.0 - 8.0 + 8.0 * 125.0 / 875.0, 0.5);
    EXPECT_NEAR(mic.measure(4000, 1.0), 94.0 + 8.0 * 3000.0 / 7000.0, 0.5);

    cli.signal(SIGINT);
    EXPECT_EQ(cli.wait(std::chrono::seconds(20)), 130) << cli.err();
    EXPECT_TRUE(emu.running()) << emu.output();
}

TEST(MicChain, AnInputThatDeliversNothingAbortsNamingTheDevice)
{
    TempDir dir;
    const std::string fifo = MakeFifo(dir);
    UseAlsaConfig(dir, fifo);
    auto failure = [](MicLevelSource& mic) {
        try {
            (void)mic.capture(0.2);
        } catch (const AbortError& e) {
            return e.text();
        }
        return std::string("no error");
    };
    MicLevelSource unknown("plughw:tonvera_none");
    EXPECT_TRUE(Contains(failure(unknown), "Das Aufnahmegerät 'plughw:tonvera_none' kann nicht geöffnet werden"));

    // A FIFO no one writes: the file plugin waits for a writer in vain.
    MicLevelSource silent("tonvera_test");
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(failure(silent), "Das Aufnahmegerät 'tonvera_test' liefert keine Daten");
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(10));
    // A writer that comes and goes lets the abandoned capture end.
    if (const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0)
        ::close(fd);
    // Without a sensitivity there is no level in dB SPL to give.
    EXPECT_THROW((void)silent.measure(1000, 0.2), AbortError);
}

} // namespace
} // namespace tonvera::test
