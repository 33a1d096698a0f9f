// SPDX-License-Identifier: GPL-3.0-or-later
// The journal's file: what a line holds, how sessions follow each other in
// one file, and a journal that cannot be written.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/SinusRecord.h"
#include "run/Journal.h"
#include "support/TempDir.h"

namespace tonvera::test {
namespace {

std::vector<std::string> FileLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

std::vector<std::string> Cells(const std::string& line)
{
    std::vector<std::string> out;
    std::string cell;
    std::istringstream in(line);
    while (std::getline(in, cell, '\t'))
        out.push_back(cell);
    if (!line.empty() && line.back() == '\t')
        out.push_back("");
    return out;
}

PresentationStarted Presentation(long number, int position, std::string var)
{
    PresentationStarted p;
    p.Run = 1;
    p.Number = number;
    p.Position = position;
    p.At = Stamp{"2026-12-09T10:42:07.123+01:00", 12.5 + number};
    SignalSent s;
    s.Slot = 1;
    s.Type = TypeSinusEich;
    s.FreqHz = 1000;
    s.AttenuationRequested = 30;
    s.AttenuationSent = 27.25;
    s.RiseMs = 0.002;
    p.Signals = {s};
    p.Globals.LengthMs = 250;
    p.Globals.Repetitions = 1;
    p.Variables = {{std::move(var), "\t1,5"}};
    return p;
}

struct JournalTest : ::testing::Test {
    TempDir dir;
    std::string path = dir.path("protokoll/heute.tsv");
    std::vector<std::string> reports;
    Journal journal{[this] { return path; }, [this](const std::string& t) { reports.push_back(t); }};

    // The header's cells and the rows that are no comment, by column name.
    std::vector<std::vector<std::string>> rows(const std::string& file, std::vector<std::string>& header)
    {
        std::vector<std::vector<std::string>> out;
        for (const std::string& l : FileLines(file)) {
            if (l.empty() || l[0] == '#')
                continue;
            if (header.empty())
                header = Cells(l);
            else
                out.push_back(Cells(l));
        }
        return out;
    }
};

TEST_F(JournalTest, AStartAndItsEndAreTwoWholeLinesUnderTheSessionComment)
{
    journal.setPort("/dev/ttyUSB0");
    journal.fileEvent(FileEvent{FileEvent::Kind::Project, FileEvent::Action::Loaded, "/p/a.tva", "ab12"});
    PresentationStarted first = Presentation(1, 3, "F");
    first.Order = "Reihenfolge zufällig, Startwert 7";
    journal.presentationStarted(first);
    PresentationEnded e;
    e.Run = 1;
    e.Number = 1;
    e.Position = 3;
    e.Reason = EndReason::DeviceEnd;
    e.Overflow = true;
    journal.presentationEnded(e);
    // A calibration measured and saved later in the session is named where
    // it happened, before the next presentation played with it.
    journal.fileEvent(FileEvent{FileEvent::Kind::Calibration, FileEvent::Action::Saved, "/p/neu.cal", "cd34"});
    journal.presentationStarted(Presentation(2, 1, "F"));

    const std::vector<std::string> lines = FileLines(path);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("# Tonvera ", 0), 0u);
    EXPECT_EQ(lines[1], "# Port\t/dev/ttyUSB0");
    EXPECT_EQ(lines[2], "# Projekt\t/p/a.tva\tSHA-256 ab12");
    EXPECT_EQ(lines[3], "# Kalibrierung\tkeine");
    EXPECT_EQ(lines[4], "# Lauf 1\tReihenfolge zufällig, Startwert 7");

    std::vector<std::string> header;
    const auto r = rows(path, header);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 2], "# Kalibrierung gespeichert\t/p/neu.cal\tSHA-256 cd34");
    ASSERT_EQ(r[0].size(), header.size());
    ASSERT_EQ(r[1].size(), header.size());
    const auto at = [&](const std::vector<std::string>& row, const std::string& column) {
        for (std::size_t i = 0; i < header.size(); ++i)
            if (header[i] == column)
                return row[i];
        ADD_FAILURE() << "no column " << column;
        return std::string();
    };
    EXPECT_EQ(at(r[0], "zeit"), "2026-12-09T10:42:07.123+01:00");
    EXPECT_EQ(at(r[0], "monoton_s"), "13.5");
    EXPECT_EQ(at(r[0], "ereignis"), "start");
    EXPECT_EQ(at(r[0], "position"), "3");
    // The variable's value text as typed, its tab made a space.
    EXPECT_EQ(at(r[0], "F"), " 1,5");
    EXPECT_EQ(at(r[0], "s1_typ"), "Sinus geeicht");
    EXPECT_EQ(at(r[0], "s1_daempfung_db"), "30");
    EXPECT_EQ(at(r[0], "s1_daempfung_gesendet_db"), "27.25");
    EXPECT_EQ(at(r[0], "s1_anstieg_ms"), "0.002");
    EXPECT_EQ(at(r[0], "s0_typ"), "");
    EXPECT_EQ(at(r[0], "signaldauer_ms"), "250");
    EXPECT_EQ(at(r[1], "ereignis"), "ende");
    EXPECT_EQ(at(r[1], "ende"), "Geräteende");
    EXPECT_EQ(at(r[1], "ueberlauf"), "1");
    EXPECT_TRUE(reports.empty());
}

TEST_F(JournalTest, ALaterSessionAppendsAndOtherColumnsGoOnInTheNextFile)
{
    journal.presentationStarted(Presentation(1, 1, "F"));
    {
        Journal same([this] { return path; }, {});
        same.presentationStarted(Presentation(1, 2, "F"));
        Journal other([this] { return path; }, {});
        other.presentationStarted(Presentation(1, 1, "G"));
        EXPECT_EQ(other.currentFile(), dir.path("protokoll/heute-2.tsv"));
    }
    std::vector<std::string> header;
    EXPECT_EQ(rows(path, header).size(), 2u);
    int sessions = 0;
    for (const std::string& l : FileLines(path))
        sessions += l.rfind("# Tonvera ", 0) == 0;
    EXPECT_EQ(sessions, 2);
    std::vector<std::string> header2;
    EXPECT_EQ(rows(dir.path("protokoll/heute-2.tsv"), header2).size(), 1u);
    EXPECT_NE(header, header2);
}

TEST_F(JournalTest, AJournalThatCannotBeWrittenIsReportedOnceAndTheRunGoesOn)
{
    path = "/dev/full";
    journal.presentationStarted(Presentation(1, 1, "F"));
    journal.presentationStarted(Presentation(2, 2, "F"));
    journal.runEnded(RunEnded{});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "Protokoll /dev/full kann nicht geschrieben werden: kein Platz mehr auf dem Datenträger");
}

} // namespace
} // namespace tonvera::test
