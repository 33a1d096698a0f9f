// SPDX-License-Identifier: GPL-3.0-or-later
// The emulator as a program: its link, its arguments.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/EmuProcess.h"

namespace tonvera {
namespace {

using test::EmuProcess;
namespace fs = std::filesystem;

TEST(EmulatorProcess, ReplacesAStaleLink)
{
    EmuProcess emu({}, EmuProcess::Start::Later);
    fs::create_symlink("/dev/pts/does-not-exist", emu.link());
    emu.start({});
    EXPECT_NE(fs::read_symlink(emu.link()).string(), "/dev/pts/does-not-exist");
    EXPECT_TRUE(fs::exists(emu.link()));
}

TEST(EmulatorProcess, LeavesAFileThatIsNotALinkAlone)
{
    EmuProcess emu({}, EmuProcess::Start::Later);
    std::ofstream(emu.link()) << "operator's notes";
    try {
        emu.start({});
        ADD_FAILURE() << "started over a regular file";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("not a symbolic link"), std::string::npos) << e.what();
    }
    std::ifstream in(emu.link());
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "operator's notes");
}

TEST(EmulatorProcess, RefusesBadArgumentsWithAMessage)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--drop", "0"}, std::vector<std::string>{"--input", "2"},
          std::vector<std::string>{"--frobnicate"}}) {
        EmuProcess emu({}, EmuProcess::Start::Later);
        try {
            emu.start(args);
            ADD_FAILURE() << args[0] << " accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(args[0]), std::string::npos) << e.what();
        }
        EXPECT_FALSE(fs::exists(fs::symlink_status(emu.link())));
    }
}

} // namespace
} // namespace tonvera
