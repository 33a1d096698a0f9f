// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera-cli check: what it reports, where, and its exit code.

#include <sys/stat.h>

#include "CliProcess.h"
#include "model/TableFill.h"

namespace tonvera::test {
namespace {

TEST(CliCheck, ReportsEachProblemWithSignalParameterAndPosition)
{
    // Signal 0 plays F (with 'abc' at position 2) from S (200000 ms at
    // position 3, beyond the device's 167772,15 ms); signal 1 has a
    // frequency above the limit and a phase that names nothing.
    const CliResult r = RunCli({"check", FixturePath("check_problems.tva")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out,
              "Signal 0, Frequenz, Position 2: 'abc' ist kein gültiger Gleitkommawert\n"
              "Signal 0, Start, Position 3: Parameter Start ist außerhalb des zulässigen Bereichs! (Wert 200000)\n"
              "Signal 0, Start, Position 3: Fehler bei Bereichsprüfung (Wert 200000)\n"
              "Signal 1, Frequenz, Position 1-3: Parameter Frequenz ist außerhalb des zulässigen Bereichs! "
              "(Wert 200000)\n"
              "Signal 1, Phase, Position 1-3: XYZ ist kein gültiger Wert!\n"
              "5 Probleme gefunden.\n");
    EXPECT_EQ(r.err, "");
}

TEST(CliCheck, ReportsWhatTheDeviceCannotEncode)
{
    // Attenuation -7 dB (amplitude above 16 bits), a negative ramp, a final
    // attenuation of 267 steps and 300 repetitions: each refused by its
    // device command, besides the limits of the parameter table.
    const CliResult r = RunCli({"check", FixturePath("check_device.tva")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out,
              "Signal 0, Dämpfung, Position 1: Parameter Dämpfung ist außerhalb des zulässigen Bereichs! (Wert -7)\n"
              "Signal 0, Anstiegszeit, Position 1: Parameter Anstiegszeit ist außerhalb des zulässigen Bereichs! "
              "(Wert -1)\n"
              "Signal 0, Dämpfung, Position 1: Fehler bei Bereichsprüfung (Wert -7)\n"
              "Signal 0, Anstiegszeit, Position 1: Fehler bei Bereichsprüfung (Wert -1)\n"
              "Global, Schlußdämpfung, Position 1: Parameter Schlußdämpfung ist außerhalb des zulässigen "
              "Bereichs! (Wert 200)\n"
              "Global, Schlußdämpfung, Position 1: Fehler bei Bereichsprüfung (Wert 200)\n"
              "Global, Wiederholungen, Position 1: Fehler bei Bereichsprüfung (Wert 300)\n"
              "7 Probleme gefunden.\n");
}

TEST(CliCheck, TableValuesTheDeviceRefusesAndInputQuotedSafely)
{
    // Signal 2 (not even in use: its table goes to the device all the same)
    // holds values beyond 16 bits; signal 0 a phase of 10000 bytes with
    // control characters in it (a NUL would make the file no project).
    TempDir dir;
    ProjectBuilder p;
    p.signal(0, "1000").Phase = "MARK";
    SinusRecord& r = p.state.SinusArray[2];
    r.Table[5] = 70000;
    r.Table[9] = -65537;
    p.write(dir.path("p.tva"));
    std::string bytes = ReadAll(dir.path("p.tva"));
    const std::string freq = "  Phase = MARK\r\n";
    const std::size_t at = bytes.find(freq);
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, freq.size(), "  Phase = A\x01\x1b[2J" + std::string(10000, 'x') + "\r\n");
    std::ofstream(dir.path("p.tva"), std::ios::binary) << bytes;

    const CliResult c = RunCli({"check", dir.path("p.tva")});
    EXPECT_EQ(c.code, 1);
    EXPECT_EQ(
        c.out,
        "Signal 0, Phase, Position 1: A\\x01\\x1b[2J" + std::string(58, 'X') +
            "… ist kein gültiger Wert!\n"
            "Signal 2, Tabelle: Fehler bei Bereichsprüfung (Wert 70000 an Stelle 5, 2 Werte außerhalb -65536..65535)\n"
            "2 Probleme gefunden.\n");
}

TEST(CliCheck, RepetitionsTheDeviceNeverSeesAreNoProblem)
{
    // "Variablen->Wieder." counts the passes itself and sends 1 to the
    // device, so 300 repetitions are fine there.
    TempDir dir;
    ProjectBuilder p;
    p.signal(0, "F");
    p.variable(0, {"F", "100", "200"});
    p.globals.AnzWieder = "300";
    p.globals.check(CheckBox::varcheck) = true;
    p.write(dir.path("p.tva"));
    EXPECT_EQ(RunCli({"check", dir.path("p.tva"), "--variablen-zuerst"}).code, 0);
    const CliResult r = RunCli({"check", dir.path("p.tva")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out,
              "Global, Wiederholungen, Position 1-2: Fehler bei Bereichsprüfung (Wert 300)\n"
              "1 Problem gefunden.\n");
}

TEST(CliCheck, TextsOfSignalsNotInUseAreEvaluatedToo)
{
    // The download evaluates every record: a name left in an unused slot
    // shows its message at every download, but no limit applies there.
    TempDir dir;
    ProjectBuilder p;
    p.signal(0, "1000");
    p.state.SinusArray[3].Freq = "ALT";
    p.state.SinusArray[3].Dach = "1";
    p.write(dir.path("p.tva"));
    const CliResult r = RunCli({"check", dir.path("p.tva")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "Signal 3, Frequenz, Position 1: ALT ist kein gültiger Wert!\n1 Problem gefunden.\n");
}

TEST(CliCheck, ListEntryThatIsNoPositionFromTheFileOrTheOption)
{
    TempDir dir;
    ProjectBuilder p;
    p.signal(0, "F");
    p.variable(0, {"F", "100", "200", "300"});
    p.globals.Order = {OrderKind::List, "", "3 1 4"};
    p.write(dir.path("p.tva"));
    const std::string refused =
        "Global, Reihenfolge: Der 3. Eintrag der Liste, '4', liegt außerhalb der Positionen 1 bis 3\n"
        "1 Problem gefunden.\n";
    CliResult r = RunCli({"check", dir.path("p.tva")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, refused);
    EXPECT_EQ(RunCli({"check", dir.path("p.tva"), "--order", "3 1 2"}).code, 0);
    EXPECT_EQ(RunCli({"check", dir.path("p.tva"), "--order", "ascending"}).code, 0);

    p.globals.Order = {};
    p.write(dir.path("q.tva"));
    r = RunCli({"check", dir.path("q.tva"), "--order", "3 1 4"});
    EXPECT_EQ(r.out, refused);
    r = RunCli({"check", dir.path("q.tva"), "--seed", "x"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(Contains(r.err, "Option --seed: 'x' ist kein gültiger Startwert")) << r.err;
}

TEST(CliCheck, FailureValueIsNotReportedAsTheOperatorsValue)
{
    // 'abc' does not evaluate: its message says so, and the device's refusal
    // of the -10 that stands in for it is no news. A variable that really
    // holds -10 is refused with its value.
    TempDir dir;
    ProjectBuilder p;
    p.signal(0, "abc");
    p.signal(1, "F");
    p.variable(0, {"F", "-10"});
    p.write(dir.path("p.tva"));
    const CliResult r = RunCli({"check", dir.path("p.tva")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out,
              "Signal 0, Frequenz, Position 1: ABC ist kein gültiger Wert!\n"
              "Signal 1, Frequenz, Position 1: Fehler bei Bereichsprüfung (Wert -10)\n"
              "2 Probleme gefunden.\n");
}

TEST(CliCheck, SignalsThatTogetherExceedFullScaleAndTheFirstOverflow)
{
    // Two full-scale sines, the second starting at S: after the first has
    // ended at position 1, together from 0 ms at position 2 (and then the
    // model overflows), together from 10 ms at position 3.
    TempDir dir;
    ProjectBuilder p;
    for (int i : {0, 1}) {
        SinusRecord& r = p.signal(i, i == 0 ? "1000" : "1500");
        FillSine(r);
        r.RampUp = "1";
        r.RampDown = "1";
        r.Dach = "25";
    }
    p.state.SinusArray[1].Start = "S";
    p.variable(0, {"S", "40", "0", "10"});
    p.globals.Signaldauer = "80";
    p.write(dir.path("p.tva"));
    const CliResult r = RunCli({"check", dir.path("p.tva")});
    EXPECT_EQ(r.code, 4) << r.err;
    // Each at 32492 of 32767: 198 %. The model's sum first leaves the range
    // where both sines near their crests after the rise (tick 5433).
    EXPECT_EQ(r.out,
              "Warnung: Ausgang, Position 2: Signale 0 und 1 können zusammen die Vollaussteuerung "
              "überschreiten (bis 198 %, von 0 bis 27,0003 ms)\n"
              "Warnung: Ausgang, Position 3: Signale 0 und 1 können zusammen die Vollaussteuerung "
              "überschreiten (bis 198 %, von 10 bis 27,0003 ms)\n"
              "Warnung: Ausgang, Position 2: Erster Überlauf bei 1,35825 ms\n"
              "Keine Probleme gefunden, 3 Warnungen.\n");
}

TEST(CliCheck, CalibrationThatLiftsAboveFullScaleIsAWarningOnly)
{
    TempDir dir;
    std::ofstream(dir.path("k.cal"), std::ios::binary) << "100/-3.00\r\n10000/-3.00\r\n";
    ProjectBuilder p;
    SinusRecord& eich = p.signal(0, "1000");
    eich.TabTyp = TypeSinusEich;
    eich.Ampl = "2"; // -3 dB correction: -1 dB, clamped to 0
    p.write(dir.path("p.tva"));
    EXPECT_EQ(RunCli({"check", dir.path("p.tva")}).out, "Keine Probleme gefunden.\n");
    const CliResult r = RunCli({"check", dir.path("p.tva"), "--cal", dir.path("k.cal")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              "Warnung: Signal 0, Dämpfung, Position 1: Amplituden Bereich durch Eichung überschritten!\n"
              "Keine Probleme gefunden, 1 Warnung.\n");
}

TEST(CliCheck, CleanProjectAndUnreadableFiles)
{
    const CliResult clean = RunCli({"check", FixturePath("three_positions.tva")});
    EXPECT_EQ(clean.code, 0);
    EXPECT_EQ(clean.out, "Keine Probleme gefunden.\n");

    const CliResult missing = RunCli({"check", FixturePath("no_such_project.tva")});
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(Contains(missing.err, "no_such_project.tva kann nicht geöffnet werden")) << missing.err;

    const CliResult noCal = RunCli({"check", FixturePath("three_positions.tva"), "--cal", "/nonexistent.cal"});
    EXPECT_EQ(noCal.code, 2);
    EXPECT_TRUE(Contains(noCal.err, "Kann /nonexistent.cal Kalibrierung nicht öffnen!")) << noCal.err;

    // A text file is no project: refused, not checked as an empty set.
    TempDir dir;
    const std::string notes = dir.path("notiz.tva");
    std::ofstream(notes) << "Messreihe vom Dienstag\nStart um 9 Uhr\n";
    const std::string refused = "Datei " + notes + " ist keine Tonvera-Projektdatei\n";
    const CliResult checked = RunCli({"check", notes});
    EXPECT_EQ(checked.code, 2);
    EXPECT_EQ(checked.out, "");
    EXPECT_EQ(checked.err, "Fehler: " + refused);
    const CliResult played = RunCli({"play", notes, "--port", "/nonexistent/tty"});
    EXPECT_EQ(played.code, 2);
    EXPECT_EQ(played.err, "Achtung: " + refused);
    // Nor is a program, though some of its bytes may read as a key line.
    const CliResult program = RunCli({"check", "/bin/ls"});
    EXPECT_EQ(program.code, 2);
    EXPECT_EQ(program.err, "Fehler: Datei /bin/ls ist keine Tonvera-Projektdatei\n");

    const CliResult usage = RunCli({"check"});
    EXPECT_EQ(usage.code, 2);
    EXPECT_TRUE(Contains(usage.err, "Aufruf:"));
    const CliResult emptyCal = RunCli({"check", FixturePath("three_positions.tva"), "--cal", ""});
    EXPECT_EQ(emptyCal.code, 2);
    EXPECT_TRUE(Contains(emptyCal.err, "Option --cal braucht einen Wert")) << emptyCal.err;

    // Neither a device nor a FIFO is read (one never ends, the other
    // would wait for a writer).
    ASSERT_EQ(::mkfifo(dir.path("fifo.tva").c_str(), 0600), 0);
    for (const std::string& file : {std::string("/dev/zero"), dir.path("fifo.tva")}) {
        CliProcess cli({"check", file});
        EXPECT_EQ(cli.wait(std::chrono::seconds(1)), 2) << file;
        EXPECT_EQ(cli.err(), "Fehler: Datei " + file + " kann nicht geöffnet werden\n");
    }
}

} // namespace
} // namespace tonvera::test
