// SPDX-License-Identifier: GPL-3.0-or-later
// The calibration assistant on the whole measuring chain: the window's core
// plays through tonvera-emu, whose transducer is far from flat, and the
// microphone source reads the emulator's live output through ALSA's file
// plugin. The table found must make the device flat.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "audio/MicLevelSource.h"
#include "device/SleepPause.h"
#include "e2e/CoreOnEmu.h"
#include "files/EichFile.h"
#include "files/LineReader.h"
#include "run/CalibrationAssistant.h"
#include "run/CalibrationRecord.h"
#include "support/TempDir.h"

namespace tonvera::test {
namespace {

TEST(CalibrationChain, TheTableFoundFlattensATransducerOfEightDecibels)
{
    TempDir tmp;
    const std::string dir = tmp.path().string() + "/";
    // -8 dB at 125 Hz up to +8 dB at 8 kHz, with a dip between.
    std::ofstream(dir + "transducer.txt") << "125/-8\r\n500/-2\r\n1000/0\r\n2000/-3\r\n8000/8\r\n";
    ASSERT_EQ(::mkfifo((dir + "audio").c_str(), 0600), 0);
    std::ofstream(dir + "asound.conf") << "pcm.tonvera_cal {\n type file\n slave { pcm { type null } }\n"
                                          " file \"/dev/null\"\n infile \""
                                       << dir << "audio\"\n format \"raw\"\n}\n";
    ::setenv("ALSA_CONFIG_PATH", (dir + "asound.conf").c_str(), 1);
    CoreOnEmu rig({"--transducer", dir + "transducer.txt", "--audio-out", dir + "audio"});
    ASSERT_TRUE(rig.core.InitHardware(rig.emu.link()));

    audio::MicLevelSource mic("tonvera_cal");
    // Full level of the device reads 100 dB SPL where the transducer is flat.
    mic.setSensitivity(-6.0);
    SleepPause wait;
    CalibrationSettings s;
    s.MeasureSeconds = 0.5;
    s.MaxLevel = 80;
    CalibrationAssistant a(rig.core, mic, wait, s);
    a.MeasureAll();
    a.CheckAll();
    for (const CalibrationStep& step : a.steps())
        EXPECT_NEAR(step.Deviation(), 0.0, 0.5) << step.Frequency << " Hz, before " << step.Before;
    EXPECT_NEAR(a.steps().front().Before - a.steps().front().Target, -8.0, 0.5);
    EXPECT_NEAR(a.steps().back().Before - a.steps().back().Target, 8.0, 0.5);
    ASSERT_TRUE(a.Passed());

    const std::string cal = dir + "raum.cal";
    a.Adopt(cal);
    CalibrationRecord record = MakeCalibrationRecord(a, "Messmikrofon tonvera_cal", mic.sensitivity(), "");
    record.CalFile = cal;
    const RecordFiles files = WriteCalibrationRecord(record);

    EichTable back;
    LineReader lines = LineReader::Open(cal, false);
    ReadEichFile(lines, '.', back);
    EXPECT_EQ(back, a.Table());
    EXPECT_EQ(rig.core.state().EichTable, back);
    EXPECT_NE(CalibrationRecordText(record).find("      8000"), std::string::npos);
    std::ifstream png(files.Plot, std::ios::binary);
    char magic[8] = {};
    png.read(magic, 8);
    EXPECT_EQ(std::string(magic, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_GT(std::filesystem::file_size(files.Plot), 10000u);
    EXPECT_FALSE(rig.running());
    if (const char* shots = std::getenv("TONVERA_SCREENSHOT_DIR"))
        std::filesystem::copy_file(files.Plot, std::string(shots) + "/calibration-plot.png",
                                   std::filesystem::copy_options::overwrite_existing);
}

} // namespace
} // namespace tonvera::test
