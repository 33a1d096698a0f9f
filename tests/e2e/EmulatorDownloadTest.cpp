// SPDX-License-Identifier: GPL-3.0-or-later
// A signal download and a firmware upload through the real serial layer,
// checked on what the emulator made of them.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "device/SerialSupport.h"
#include "device/SinusValues.h"
#include "device/SleepPause.h"
#include "device/TTonvera.h"
#include "model/EichTable.h"
#include "support/EmuProcess.h"

namespace tonvera {
namespace {

using test::EmuProcess;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

WaveTable SineTable()
{
    WaveTable t;
    for (std::size_t k = 0; k < WaveTable::Size; ++k)
        t[k] = static_cast<std::int32_t>(std::lround(32500 * std::sin(2 * M_PI * double(k) / 32768.0)));
    return t;
}

SinusValues Sine(double freq, double attenuationDb, double lengthMs)
{
    SinusValues v;
    v.Used = true;
    v.Freq = freq;
    v.Ampl = attenuationDb;
    v.Dach = lengthMs;
    return v;
}

class Download : public ::testing::Test {
protected:
    // Plays signal 0 alone for 100 ms and returns the status at its end.
    std::uint8_t play(double attenuationDb)
    {
        device.StopOutput();
        device.SetTableMode(1);
        device.SetSignalLength(false, 100);
        device.SetTriggerWindow(0, 10);
        device.SetEndDamp(0);
        device.SetRepetitions(1, false);
        const SinusValues v = Sine(1000, attenuationDb, 50);
        device.LoadSignal(0, v, EichTable{});
        device.LoadTable(0, SineTable().span());
        for (int k = 1; k < 8; ++k)
            device.LoadSignal(k, SinusValues{}, EichTable{});
        device.StartOutput();
        std::uint8_t s = 0;
        EXPECT_TRUE(EmuProcess::waitFor([&] { return ((s = device.ReadStatus()) & protocol::StatusRunEnd) != 0; }));
        return s;
    }

    EmuProcess emu{{"--log", "{dir}/packets.log"}};
    SerialSupport line;
    SleepPause pause;
    TTonvera device{line, pause};
    void SetUp() override { device.OpenDevice(emu.link()); }
};

TEST_F(Download, AFullScaleSineAboveZeroDecibelsOverflows)
{
    EXPECT_EQ(play(-6) & protocol::StatusOverflow, protocol::StatusOverflow);
    // The table went to device table 1, as one unbroken run of words.
    EXPECT_NE(ReadFile(emu.path("packets.log")).find("\nq 32768 32768\n"), std::string::npos);
}

TEST_F(Download, TheSameSineAtZeroDecibelsStaysInRange) { EXPECT_EQ(play(0) & protocol::StatusOverflow, 0); }

// Also at the line's real speed, where the framing check's first byte
// queues up behind the end of the firmware.
class FirmwareUpload : public ::testing::TestWithParam<bool> {};

TEST_P(FirmwareUpload, TheBootLoaderTakesTheFirmwareAndThenSpeaksPackets)
{
    std::vector<std::string> args{"--bootloader", "--firmware-out", "{dir}/firmware.bin"};
    if (GetParam())
        args.push_back("--pace");
    EmuProcess emu(args);
    // 300 bytes and a line end: two blocks. The last pair before the end of
    // the file is read but not sent, so the line end costs nothing.
    std::string hex;
    std::string firmware;
    for (int i = 0; i < 300; ++i) {
        const int b = (i * 37 + 11) & 0xFF;
        firmware += static_cast<char>(b);
        static constexpr char digits[] = "0123456789ABCDEF";
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    hex += "\r\n";
    const std::string file = emu.path("signal_pqz.hex");
    std::ofstream(file, std::ios::binary) << hex;

    SerialSupport line;
    SleepPause pause;
    TTonvera device(line, pause);
    device.OpenDevice(emu.link());
    EXPECT_FALSE(device.CheckSync());
    device.UploadFirmware(file);
    EXPECT_LT(device.UploadCount, 0);
    // A second try only for a machine too loaded to answer within 15 ms.
    EXPECT_TRUE(device.CheckSync() || device.CheckSync()) << emu.output();

    ASSERT_TRUE(EmuProcess::waitFor([&] { return ReadFile(emu.path("firmware.bin")).size() >= 448; }));
    const std::string got = ReadFile(emu.path("firmware.bin"));
    EXPECT_EQ(got.size(), 448u);
    EXPECT_EQ(got.substr(0, firmware.size()), firmware);
}

INSTANTIATE_TEST_SUITE_P(EmulatorLine, FirmwareUpload, ::testing::Bool());

} // namespace
} // namespace tonvera
