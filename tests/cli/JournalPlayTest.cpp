// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera-cli play --journal against tonvera-emu: the journal says what the
// device received, survives the tool being killed, and a journal that
// cannot be written does not stop the run.

#include <cmath>
#include <csignal>
#include <map>
#include <sstream>

#include "CliProcess.h"
#include "emu/EmuTime.h"
#include "emu/Registers.h"
#include "files/EichFile.h"
#include "support/EmuProcess.h"

namespace tonvera::test {
namespace {

std::vector<std::string> Split(const std::string& text, char sep)
{
    std::vector<std::string> out;
    std::string cell;
    std::istringstream in(text);
    while (std::getline(in, cell, sep))
        out.push_back(cell);
    if (!text.empty() && text.back() == sep && sep != '\n')
        out.push_back("");
    return out;
}

// The journal's rows that are no comment, each by column name; false when
// a line is incomplete or has other cells than the header.
struct JournalRows {
    std::vector<std::map<std::string, std::string>> rows;
    bool whole = true;

    explicit JournalRows(const std::string& text)
    {
        whole = !text.empty() && text.back() == '\n';
        std::vector<std::string> header;
        for (const std::string& line : Split(text, '\n')) {
            if (line.empty() || line[0] == '#')
                continue;
            const std::vector<std::string> cells = Split(line, '\t');
            if (header.empty()) {
                header = cells;
                continue;
            }
            whole = whole && cells.size() == header.size();
            std::map<std::string, std::string> row;
            for (std::size_t i = 0; i < header.size() && i < cells.size(); ++i)
                row[header[i]] = cells[i];
            rows.push_back(std::move(row));
        }
    }
    std::vector<std::map<std::string, std::string>> starts() const
    {
        std::vector<std::map<std::string, std::string>> out;
        for (const auto& r : rows)
            if (r.at("ereignis") == "start")
                out.push_back(r);
        return out;
    }
};

// The registers of signal 0 at each start packet, as the emulator decodes
// the packets it logged.
std::vector<emu::ChannelRegisters> StartedRegisters(const std::string& log)
{
    std::vector<emu::ChannelRegisters> out;
    emu::DeviceRegisters regs;
    bool stopSeen = false;
    for (const std::string& line : Split(log, '\n')) {
        const std::vector<std::string> bytes = Split(line, ' ');
        if (bytes.size() != 6 || line[0] == 'q')
            continue;
        emu::Packet p{};
        for (std::size_t i = 0; i < 6; ++i)
            p[i] = static_cast<std::uint8_t>(std::stoi(bytes[i], nullptr, 16));
        if (stopSeen && line == "00 00 00 00 00 00")
            out.push_back(regs.channels[0]);
        stopSeen = line == "20 00 00 00 00 00";
        emu::ApplyCommand(regs, emu::DecodePacket(p));
    }
    return out;
}

TEST(CliJournal, ARunThroughFourPositionsTwiceIsJournalledAsTheDeviceReceivedIt)
{
    TempDir dir;
    ProjectBuilder p;
    SinusRecord& s = p.signal(0, "F");
    s.TabTyp = TypeSinusEich;
    s.Ampl = "30";
    p.variable(0, {"F", "250", "500", "1000", "2000"});
    p.globals.AnzWieder = "2";
    p.globals.check(CheckBox::varcheck) = true;
    p.write(dir.path("four.tva"));
    EichTable cal;
    cal.count = 2;
    cal.frequencies[0] = 250;
    cal.corrections[0] = -4.5;
    cal.frequencies[1] = 2000;
    cal.corrections[1] = 3;
    std::ofstream(dir.path("mic.cal"), std::ios::binary) << EichFileBytes(cal);

    EmuProcess emu({"--log", "{dir}/packets.log"});
    const CliResult r = RunCli({"play", dir.path("four.tva"), "--port", emu.link(), "--cal", dir.path("mic.cal"),
                                "--variablen-zuerst", "--journal", dir.path("runs.tsv")});
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");

    std::vector<emu::ChannelRegisters> received;
    ASSERT_TRUE(EmuProcess::waitFor([&] {
        received = StartedRegisters(ReadAll(emu.path("packets.log")));
        return received.size() == 8;
    })) << received.size();
    const JournalRows journal(ReadAll(dir.path("runs.tsv")));
    ASSERT_TRUE(journal.whole);
    EXPECT_EQ(journal.rows.size(), 16u);
    const auto starts = journal.starts();
    ASSERT_EQ(starts.size(), 8u);
    for (std::size_t k = 0; k < 8; ++k) {
        const auto& row = starts[k];
        EXPECT_EQ(row.at("darbietung"), std::to_string(k + 1));
        EXPECT_EQ(row.at("position"), std::to_string(k % 4 + 1));
        // Within one step of the device's registers.
        const double hz = received[k].frequency * double(emu::ClockHz) / (1 << 24);
        EXPECT_NEAR(std::stod(row.at("s0_frequenz_hz")), hz, double(emu::ClockHz) / (1 << 24)) << k;
        const double db = 20 * std::log10(32760.0 / received[k].amplitude());
        EXPECT_NEAR(std::stod(row.at("s0_daempfung_gesendet_db")), db, 0.01) << k;
        EXPECT_EQ(row.at("s0_daempfung_db"), "30");
    }
    // The calibration changed the level: 250 Hz went out 4.5 dB louder.
    EXPECT_EQ(starts[0].at("s0_daempfung_gesendet_db"), "25.5");
    const std::string text = ReadAll(dir.path("runs.tsv"));
    EXPECT_TRUE(Contains(text, "# Kalibrierung\t" + dir.path("mic.cal") + "\tSHA-256 ")) << text;
    EXPECT_TRUE(Contains(text, "# Port\t" + emu.link() + "\n")) << text;
    EXPECT_TRUE(Contains(text, "# Lauf 1\tReihenfolge aufsteigend\n")) << text;
}

TEST(CliJournal, KilledInTheMiddleOfARunEveryStartedPresentationHasAWholeLine)
{
    TempDir dir;
    ProjectBuilder p;
    p.signal(0, "F");
    std::vector<std::string> values = {"F"};
    for (int i = 1; i <= 200; ++i)
        values.push_back(std::to_string(100 + 10 * i));
    p.variable(0, values);
    p.globals.check(CheckBox::varcheck) = true;
    p.write(dir.path("long.tva"));

    EmuProcess emu({"--log", "{dir}/packets.log"});
    CliProcess cli({"play", dir.path("long.tva"), "--port", emu.link(), "--journal", dir.path("runs.tsv"), "--order",
                    "random", "--seed", "7"});
    ASSERT_TRUE(EmuProcess::waitFor([&] { return JournalRows(ReadAll(dir.path("runs.tsv"))).starts().size() >= 6; }))
        << cli.err();
    cli.signal(SIGKILL);
    EXPECT_EQ(cli.wait(), 128 + SIGKILL);

    const std::string text = ReadAll(dir.path("runs.tsv"));
    EXPECT_TRUE(Contains(text, "\n# Lauf 1\tReihenfolge zufällig, Startwert 7\n")) << text;
    const JournalRows journal(text);
    EXPECT_TRUE(journal.whole);
    const std::size_t started = StartedRegisters(ReadAll(emu.path("packets.log"))).size();
    const std::size_t lines = journal.starts().size();
    // A start packet that left just before the kill may still wait for its
    // confirmation: at most that one has no line.
    EXPECT_GE(lines + 1, started);
    EXPECT_LE(lines, started);
}

TEST(CliJournal, AJournalThatCannotBeWrittenIsReportedOnceAndTheRunPlaysToItsEnd)
{
    EmuProcess emu;
    const CliResult r =
        RunCli({"play", FixturePath("three_positions.tva"), "--port", emu.link(), "--journal", "/dev/full"});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(r.err,
              "Warnung: Protokoll /dev/full kann nicht geschrieben werden: kein Platz mehr auf dem "
              "Datenträger\n");
    EXPECT_TRUE(Contains(r.out, "Lauf beendet\n")) << r.out;
}

} // namespace
} // namespace tonvera::test
