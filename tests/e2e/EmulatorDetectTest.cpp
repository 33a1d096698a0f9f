// SPDX-License-Identifier: GPL-3.0-or-later
// Device detection over the real line: a device that answers in packets, and
// one waiting in its boot loader that gets the firmware first.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "CoreOnEmu.h"

namespace tonvera::test {
namespace {

using test::PanelView;

// The GUI's dialog as the operator uses it: picks the port, initialises.
struct PortDialog : HardwareDialogPort {
    MainCore* core = nullptr;
    std::string port;
    bool found = false;
    void showModal() override { found = core->InitHardware(port); }
};

TEST(DetectOnEmulator, PacketDeviceIsFoundWithoutUpload)
{
    EmuProcess emu({"--log", "{dir}/packets.log"});
    PanelView view;
    test::RecordingDialogs dialogs;
    MainCore core(view, dialogs);
    core.FirmwareFile() = emu.path("no-such.hex"); // an upload would abort
    core.form().Record(0).Used = true;
    core.form().Record(0).SetDefaultTexts();

    PortDialog dialog;
    dialog.core = &core;
    dialog.port = emu.link();
    core.Hardware1Click(dialog);
    EXPECT_TRUE(dialog.found);
    EXPECT_EQ(view.panel1, (std::vector<std::string>{"Suche Hardware...", "Hardware initialisiert"}));
    EXPECT_EQ(view.timerCalls, (std::vector<bool>{false, true}));
    EXPECT_EQ(emu.output().find("firmware received"), std::string::npos);

    // After the dialog the set went out: signal 0's frequency of 1 Hz (word 4).
    ASSERT_TRUE(EmuProcess::waitFor([&] {
        std::ifstream in(emu.path("packets.log"));
        const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return all.find("62 00 00 04 00 00\n") != std::string::npos &&
               all.find("68 07 00 00 00 00\n") != std::string::npos;
    }));
    core.FormClose();
}

// At full speed, and at the line's real speed: there the framing check
// after the upload must not start before the image has left the line.
TEST(DetectOnEmulator, BootLoaderGetsTheFirmwareThenTheDeviceIsFound)
{
    for (const auto& [paced, digits] : {std::pair{false, std::size_t{9000}}, std::pair{true, std::size_t{40000}}}) {
        std::vector<std::string> args{"--bootloader", "--firmware-out", "{dir}/fw.bin"};
        if (paced)
            args.push_back("--pace");
        EmuProcess emu(args);
        // A test image of random hex digits ending in a line end.
        std::mt19937 gen(42);
        std::string image;
        for (std::size_t i = 0; i < digits; ++i)
            image += "0123456789ABCDEF"[gen() % 16];
        image += "\r\n";
        {
            std::ofstream(emu.path("signal_pqz.hex"), std::ios::binary) << image;
        }

        PanelView view;
        test::RecordingDialogs dialogs;
        MainCore core(view, dialogs);
        core.FirmwareFile() = emu.path("signal_pqz.hex");
        EXPECT_TRUE(core.InitHardware(emu.link())) << digits;
        ASSERT_GE(view.panel1.size(), 3u);
        EXPECT_EQ(view.panel1.front(), "Suche Hardware...");
        EXPECT_EQ(view.panel1[view.panel1.size() - 2], "Initialisiere Hardware: 100 %");
        EXPECT_EQ(view.panel1.back(), "Hardware initialisiert");
        const std::size_t bytes = digits / 2;
        EXPECT_EQ(core.device().UploadCount, -static_cast<std::int32_t>(bytes + 1));

        // The emulator unpacked exactly the image's bytes (the line end is
        // read but not sent), padded with zeros to whole blocks of 224.
        ASSERT_TRUE(EmuProcess::waitFor([&] { return std::filesystem::exists(emu.path("fw.bin")); }));
        std::ifstream in(emu.path("fw.bin"), std::ios::binary);
        const std::string fw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t groups = (bytes + 1 + 13) / 14;
        const std::size_t blocks = (groups + 15) / 16;
        ASSERT_EQ(fw.size(), blocks * 224);
        for (std::size_t i = 0; i < bytes; ++i)
            ASSERT_EQ(static_cast<unsigned char>(fw[i]), std::stoi(image.substr(2 * i, 2), nullptr, 16)) << i;
        for (std::size_t i = bytes; i < fw.size(); ++i)
            ASSERT_EQ(fw[i], 0) << i;
        core.FormClose();
    }
}

TEST(DetectOnEmulator, PortThatDoesNotExist)
{
    test::FakeView view;
    test::RecordingDialogs dialogs;
    MainCore core(view, dialogs);
    EXPECT_THROW(core.InitHardware("/nonexistent/tty-of-nobody"), RangeError);
    EXPECT_EQ(view.status[1], "Hardware nicht initialisiert");
}

} // namespace
} // namespace tonvera::test
