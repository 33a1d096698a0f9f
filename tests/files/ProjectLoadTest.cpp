// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a project: what the reader makes of the lines, what a complete
// save and load gives back, and that a file that fails to load changes
// nothing at all.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "files/FileCommands.h"
#include "files/FilesFixture.h"
#include "files/TextFile.h"
#include "model/Errors.h"
#include "model/TableFill.h"
#include "support/FakeView.h"
#include "support/RecordingDialogs.h"

namespace tonvera {
namespace {

using namespace tonvera::test;

// Everything a load may touch.
struct Snapshot {
    MainState state;
    std::array<std::string, EditFieldCount> edits;
    std::array<bool, CheckBoxCount> checks;
    int typeCode;
    std::string saveFileName;
    bool timer;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

class ProjectLoad : public FilesFixture {
protected:
    Snapshot snapshot() const
    {
        return {form.state(), view.edits, view.checks, view.typeCode, cmd.SaveFileName, view.timer};
    }

    // A set that differs from the "Neu" state everywhere a load could reach.
    void putBusyState()
    {
        MainState st = form.state();
        ProjectGlobals g = ReadGlobals(view);
        test::makeFixtureState(st, g);
        st.EichTable.count = 2;
        st.EichTable.frequencies[1] = 1000;
        st.VariPos = 2;
        form.replaceState(st);
        ApplyGlobals(g, view);
        view.edit(EditField::Freq) = "getippt";
    }

    // The lines of a project, after the head every project file starts
    // with (a file without one is no project).
    void load(const std::string& lines)
    {
        const std::string file = dir.path("t.tva");
        writeBytes(file, Head + lines);
        cmd.LoadProject(file);
    }

    static constexpr const char* Head = "Section Signalparameters\r\n";

    const SinusRecord& rec(int i) const { return form.state().SinusArray[static_cast<std::size_t>(i)]; }
};

TEST_F(ProjectLoad, SaveThenLoadGivesEverythingBackWithTextsUpperCased)
{
    putBusyState();
    const Snapshot before = snapshot();
    const std::string file = dir.path("rund.tva");
    cmd.SaveProject(file);

    // Scramble everything the file holds.
    form.Neu1Click();
    for (SinusRecord& r : form.state().SinusArray) {
        FillRect(r);
        r.TabTyp = 3;
        r.TabPara = 99;
        r.Used = true;
    }
    form.state().TastHigh = false;
    for (bool& c : view.checks)
        c = !c;
    view.edit(EditField::AnzWieder) = "17";

    cmd.LoadProject(file);

    Snapshot expected = before;
    expected.state.SinusArray[1].Freq = "2*PEGEL+10";
    expected.state.SinusArray[2].Freq = "LäRM"; // only a to z change case
    // The loaded signal is shown in the edits.
    const std::array<std::string, 7> shown = {"2*PEGEL+10", "0", "3", "12,5", "100", "1", "2"};
    for (int i = 0; i < 7; ++i)
        expected.edits[static_cast<std::size_t>(i)] = shown[static_cast<std::size_t>(i)];
    expected.typeCode = 1;
    EXPECT_TRUE(snapshot().state.SinusArray == expected.state.SinusArray);
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(rec(i) == expected.state.SinusArray[static_cast<std::size_t>(i)]) << "signal " << i;
    EXPECT_EQ(form.state().VariTable, expected.state.VariTable);
    EXPECT_EQ(form.state().SelectedSignal, 1);
    EXPECT_TRUE(form.state().TastHigh);
    EXPECT_EQ(view.edits, expected.edits);
    EXPECT_EQ(view.checks, expected.checks);
    EXPECT_TRUE(snapshot() == expected);
}

TEST_F(ProjectLoad, StepsAfterTheLinesRunInOrderAndOnlyChangedBoxesClick)
{
    view.check(CheckBox::FreqCheck) = true;
    view.check(CheckBox::TypCheck) = true;
    view.check(CheckBox::ExternStart) = false;
    const int invalidatesBefore = view.signalInvalidates;
    load(
        "Section Global\r\n  FreqCheck = TRUE\r\n  TypCheck = False\r\n  ExternStart = TRUE\r\n"
        "  Repeated = TRUE\r\nEnd Global\r\n");
    EXPECT_EQ(hooks.clicked, (std::vector<CheckBox>{CheckBox::TypCheck, CheckBox::ExternStart}));
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"tables", "click", "click", "parinfo", "enter"}));
    EXPECT_EQ(view.signalInvalidates, invalidatesBefore + 1);
    EXPECT_TRUE(view.check(CheckBox::Repeated));
    EXPECT_FALSE(view.localEditsEnabled);
}

TEST_F(ProjectLoad, TheModelHooksStartTheTimerAndRunTheEnterAction)
{
    ModelLoadHooks modelHooks(form);
    FileCommands withModel(form, modelHooks);
    const std::string file = dir.path("m.tva");
    writeBytes(
        file,
        "Section Signalparameters\r\n  Signalnumber = 0\r\n  Used = True\r\n  Ampl = 3,333\r\n  SelectedSignal = 0\r\n"
        "  EndDamp = 10\r\n  ExternStart = TRUE\r\nEnd\r\n");
    withModel.LoadProject(file);
    EXPECT_TRUE(view.timer);
    // The Enter action range-checks the loaded texts and rounds the final
    // attenuation to its 0.75 dB steps.
    EXPECT_EQ(rec(0).Ampl, "3,33");
    EXPECT_EQ(view.edit(EditField::EndDamp), "9,75");
    EXPECT_TRUE(view.localEditsEnabled);
}

TEST_F(ProjectLoad, KeyLinesSkipBlanksAndEqualsButKeepTrailingBlanks)
{
    load("Freq ==  100\r\n   phase=5 =  = 7\r\n  Ampl = 3  \r\nDach\r\n  RampUp =\r\nletzte Zeile\r\n");
    EXPECT_EQ(rec(0).Freq, "100");
    EXPECT_EQ(rec(0).Phase, "0"); // "phase=5" has no blank: no key, ignored
    EXPECT_EQ(rec(0).Ampl, "3  ");
    EXPECT_EQ(rec(0).Dach, "25");
    EXPECT_EQ(rec(0).RampUp, "");
}

TEST_F(ProjectLoad, LinesBeforeTheFirstSignalnumberGoToSignalZero)
{
    load("  Freq = 77\r\n  Used = TRUE\r\n  Signalnumber = 3\r\n  Freq = 33\r\n  Used = true\r\nEnde\r\n");
    EXPECT_EQ(rec(0).Freq, "77");
    EXPECT_TRUE(rec(0).Used);
    EXPECT_EQ(rec(3).Freq, "33");
    EXPECT_TRUE(rec(3).Used);
}

TEST_F(ProjectLoad, SelectedSignalIsClampedToTheSignalsInUse)
{
    const std::string three =
        "  Signalnumber = 0\r\n  Used = True\r\n  Signalnumber = 1\r\n  Used = True\r\n"
        "  Signalnumber = 2\r\n  Used = True\r\n";
    load(three + "  SelectedSignal = 5\r\nEnd\r\n");
    EXPECT_EQ(form.state().SelectedSignal, 2);
    load("  SelectedSignal = 5\r\nEnd\r\n");
    EXPECT_EQ(form.state().SelectedSignal, -1);
    load(three + "  SelectedSignal = -3\r\nEnd\r\n");
    EXPECT_EQ(form.state().SelectedSignal, -3);
}

TEST_F(ProjectLoad, MissingLinesLeaveWhatTheResetDoesNotTouch)
{
    putBusyState();
    view.check(CheckBox::varcheck) = true;
    view.edit(EditField::AnzWieder) = "4";
    load("Section Global\r\n  TriggerStop = 800\r\nEnd Global\r\n");
    EXPECT_EQ(view.edit(EditField::Signaldauer), "1000");
    EXPECT_EQ(view.edit(EditField::Triggerstart), "100");
    EXPECT_EQ(view.edit(EditField::Triggerstop), "800");
    EXPECT_EQ(view.edit(EditField::EndDamp), "0");
    EXPECT_EQ(view.edit(EditField::AnzWieder), "4");
    EXPECT_FALSE(view.check(CheckBox::Repeated));
    EXPECT_TRUE(view.check(CheckBox::varcheck));
    EXPECT_TRUE(form.state().TastHigh);
    // No Table section: table, type and AM multiple stay; the rest is reset.
    EXPECT_EQ(rec(2).Table[1], test::fixtureTableEntry(2, 1));
    EXPECT_EQ(rec(2).TabTyp, 2);
    EXPECT_EQ(rec(2).TabPara, 12.5);
    EXPECT_FALSE(rec(2).Used);
    EXPECT_EQ(rec(2).Freq, "1");
    EXPECT_TRUE(form.state().VariTable.slot(0).empty());
    EXPECT_EQ(form.state().EichTable.count, 2);
}

TEST_F(ProjectLoad, TheLastLineIsNeverRead)
{
    view.edit(EditField::AnzWieder) = "1";
    load("  AnzWieder = 5\r\n  TastHigh = True");
    EXPECT_EQ(view.edit(EditField::AnzWieder), "5");
    EXPECT_FALSE(form.state().TastHigh);
    load("  TastHigh = True\r\n  AnzWieder = 7\r\n");
    EXPECT_EQ(view.edit(EditField::AnzWieder), "5");
    EXPECT_TRUE(form.state().TastHigh);
    // Only TRUE sets a polarity.
    load("  TastLow = False\r\n  TastLow = ja\r\nEnd\r\n");
    EXPECT_TRUE(form.state().TastHigh);
    load("  TastLow = true\r\nEnd\r\n");
    EXPECT_FALSE(form.state().TastHigh);
}

TEST_F(ProjectLoad, TablesReadAcrossLinesWithAnyLineEnd)
{
    FillSine(form.state().SinusArray[1]);
    const std::int32_t sine3 = rec(1).Table[3];
    load("  Signalnumber = 1\r  Section Table\n 1  2\r\n-3 \r\n  End Table\r  Used = True\nEnd\n");
    EXPECT_EQ(rec(1).Table[0], 1);
    EXPECT_EQ(rec(1).Table[1], 2);
    EXPECT_EQ(rec(1).Table[2], -3);
    EXPECT_EQ(rec(1).Table[3], sine3); // a short section leaves the rest
    EXPECT_TRUE(rec(1).Used);
    EXPECT_EQ(hooks.reloadedFirstEntries.at(1), 2);
}

TEST_F(ProjectLoad, OldTwoDigitCarrierMultiplesReadAsBefore)
{
    load(
        "  TabPara = 1,3E3\r\n  Signalnumber = 1\r\n  TabPara = 5E-5\r\n  Signalnumber = 2\r\n"
        "  TabPara = 13\r\n  Signalnumber = 3\r\n  tabpara = 1e2\r\nEnd\r\n");
    EXPECT_EQ(rec(0).TabPara, 1300);
    EXPECT_EQ(rec(1).TabPara, 0.00005);
    EXPECT_EQ(rec(2).TabPara, 13);
    EXPECT_EQ(rec(3).TabPara, 100);
}

TEST_F(ProjectLoad, ASignalNumberOutOfRangeMattersOnlyWhenWrittenInto)
{
    load("  Signalnumber = 9\r\n  SelectedSignal = 0\r\n  AnzWieder = 2\r\nEnd\r\n");
    EXPECT_EQ(view.edit(EditField::AnzWieder), "2");
}

TEST_F(ProjectLoad, VariablesKeepCaseUmlautsAndBlanksAndFollowTheFraming)
{
    cmd.LoadProject(test::fixture("project_variables.tva"));
    const VariTable& vt = form.state().VariTable;
    EXPECT_EQ(vt.slot(0), (VariTable::Slot{"Frequenz", "100", "Größe mit Leerzeichen"}));
    EXPECT_EQ(vt.slot(1), (VariTable::Slot{"schön klein", "Variable"}));
    EXPECT_EQ(vt.slot(2), (VariTable::Slot{"Äpfel  "}));
    EXPECT_EQ(vt.slot(3), (VariTable::Slot{"eingerückt", "End Variables-Liste"}));
    for (int s = 4; s < VariTable::SlotCount; ++s)
        EXPECT_TRUE(vt.slot(s).empty());
    EXPECT_EQ(rec(0).Freq, "LäRM");
    EXPECT_EQ(view.edit(EditField::Signaldauer), "2000");
}

// In a slot left open the section's end line is not taken for an item: it
// would end the section early in the next save.
TEST_F(ProjectLoad, TheEndOfTheVariablesIsNoItem)
{
    load("Section Variables\r\n  Variable 0\r\n    Pegel\r\nEnd Variables\r\n  AnzWieder = 9\r\nEnde\r\n");
    EXPECT_EQ(form.state().VariTable.slot(0), (VariTable::Slot{"Pegel"}));
    EXPECT_EQ(view.edit(EditField::AnzWieder), "9");
    const std::string file = dir.path("wieder.tva");
    cmd.SaveProject(file);
    cmd.LoadProject(file);
    EXPECT_EQ(form.state().VariTable.slot(0), (VariTable::Slot{"Pegel"}));
}

struct BadFile {
    const char* name;
    std::string content;
    std::string message;
};

class ProjectLoadFailure : public ProjectLoad, public ::testing::WithParamInterface<BadFile> {};

TEST_P(ProjectLoadFailure, ShowsItsErrorAndChangesNothing)
{
    putBusyState();
    const std::string file = dir.path("kaputt.tva");
    // Lines that would change the set come before the fault.
    writeBytes(file, std::string(Head) +
                         "  Signalnumber = 0\r\n  Freq = 123\r\n  Used = False\r\n  ExternStart = TRUE\r\n" +
                         GetParam().content);
    cmd.SaveFileName = "vorher.tva";
    const Snapshot before = snapshot();
    dialogs.fileAnswers.push_back(file);
    try {
        cmd.Laden1Click();
        FAIL() << "loaded a damaged file";
    } catch (const AbortError& e) {
        EXPECT_EQ(e.text(), GetParam().message);
    }
    EXPECT_TRUE(snapshot() == before);
    EXPECT_TRUE(hooks.calls.empty());
}

std::string tooManyValues()
{
    std::string s = "  Section Table\r\n";
    for (int line = 0; line < 256; ++line) {
        s += "    ";
        for (int j = 0; j < 128; ++j)
            s += " 7";
        s += "\r\n";
    }
    return s + " 8\r\n  End Table\r\nEnd\r\n";
}

std::string tooManyVariableValues()
{
    std::string s = "Section Variables\r\n  Variable 0\r\n    Pegel\r\n";
    for (int i = 0; i <= VariTable::MaxValues; ++i)
        s += "    1\r\n";
    return s + "  End Variable 0\r\nEnd Variables\r\nEnd\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Files, ProjectLoadFailure,
    ::testing::Values(
        BadFile{"SignalnumberNotANumber", "  Signalnumber = x1\r\nEnd\r\n", "'X1' ist kein gültiger Integerwert"},
        BadFile{"TabParaWithPoint", "  TabPara = 0.5\r\nEnd\r\n", "'0.5' ist kein gültiger Gleitkommawert"},
        BadFile{"SignalEight", "  Signalnumber = 8\r\n  Freq = 5\r\nEnd\r\n", "Fehler bei Bereichsprüfung"},
        BadFile{"TableOfSignalEight", "  Signalnumber = -1\r\n  Section Table\r\n 1\r\n  End Table\r\nEnd\r\n",
                "Fehler bei Bereichsprüfung"},
        BadFile{"VariableSlot21", "Section Variables\r\n  Variable 21\r\n    a\r\nEnd Variables\r\nEnd\r\n",
                "Listenindex überschreitet das Maximum (21)"},
        BadFile{"VariableHeaderNotANumber", "Section Variables\r\n  Variable zwei\r\nEnd Variables\r\nEnd\r\n",
                "'ZWEI' ist kein gültiger Integerwert"},
        BadFile{"TooManyTableValues", tooManyValues(), "Fehler bei Bereichsprüfung"},
        BadFile{"BlankTableLine", "  Section Table\r\n 1 2\r\n   \r\n  End Table\r\nEnd\r\n",
                "'' ist kein gültiger Integerwert"},
        BadFile{"TwoTrailingBlanks", "  Section Table\r\n 1 2  \r\n  End Table\r\nEnd\r\n",
                "'' ist kein gültiger Integerwert"},
        BadFile{"TableValueTooLarge", "  Section Table\r\n 1 99999999999\r\n  End Table\r\nEnd\r\n",
                "'99999999999' ist kein gültiger Integerwert"},
        BadFile{"CutInsideATable", "  Signalnumber = 3\r\n  Section Table\r\n 1 2\r\n 3 4\r\n 5",
                "Die Datei ist unvollständig: die Tabelle von Signal 3 endet nicht"},
        BadFile{"TooManyVariableValues", tooManyVariableValues(), "Die Variable 'Pegel' hat mehr als 100000 Werte"},
        BadFile{"HugeValueIsQuotedShort", "  TabTyp = " + std::string(100000, 'x') + "\r\nEnd\r\n",
                "'" + std::string(64, 'X') + "…' ist kein gültiger Integerwert"}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST_F(ProjectLoad, OnlyRegularProjectFilesOfSaneSizeAreRead)
{
    putBusyState();
    cmd.SaveFileName = "vorher.tva";
    const Snapshot before = snapshot();
    // A FIFO would block for ever, a device never end, a huge file fill the
    // memory.
    const std::string fifo = dir.path("fifo.tva");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = dir.path("huge.tva");
    writeBytes(huge, "");
    std::filesystem::resize_file(huge, 64 * 1024 * 1024 + 1);
    const std::string missing = dir.path("gibtsnicht.tva");
    // A name too long for the system is cut in the message.
    const std::string longName = dir.path(std::string(5000, 'n') + ".tva");
    // A line no project has; texts that would take more memory than any
    // project (each Windows character takes three bytes in the program).
    const std::string longLine = dir.path("zeile.tva");
    writeBytes(longLine, std::string(Head) + "  Freq = " + std::string(MaxLineBytes, '1') + "\r\nEnde\r\n");
    const std::string heavy = dir.path("schwer.tva");
    {
        std::string content = std::string(Head) + "Section Variables\r\n  Variable 0\r\n    V\r\n";
        for (int i = 0; i < 30; ++i)
            content += "    " + std::string(MaxLineBytes - 100, '\x80') + "\r\n";
        writeBytes(heavy, content + "  End Variable 0\r\nEnd Variables\r\n");
    }
    for (const auto& [file, message] :
         {std::pair{missing, "Datei " + missing + " kann nicht geöffnet werden"},
          std::pair{fifo, "Datei " + fifo + " kann nicht geöffnet werden"},
          std::pair{std::string("/dev/zero"), std::string("Datei /dev/zero kann nicht geöffnet werden")},
          std::pair{huge, "Datei " + huge + " ist zu groß"},
          std::pair{longName, "Datei " + longName.substr(0, 200) + "… kann nicht geöffnet werden"},
          std::pair{longLine, "Datei " + longLine + " enthält eine zu lange Zeile (Zeile 2)"},
          std::pair{heavy, "Datei " + heavy + " ist zu groß"}}) {
        dialogs.fileAnswers.push_back(file);
        try {
            cmd.Laden1Click();
            ADD_FAILURE() << "loaded " << file;
        } catch (const FileError& e) {
            EXPECT_EQ(e.text(), message);
        }
        EXPECT_TRUE(snapshot() == before) << file;
    }

    // No project's Section line among the lines read (the last line is
    // never read), or a NUL byte anywhere as in every program file: refused
    // with a message, not loaded as an empty set, also when a key or a
    // value error came first.
    const std::string notes = dir.path("notiz.txt");
    const std::string nul(1, '\0');
    const std::vector<std::string> contents = {
        "",
        "Einkaufsliste\r\n  Milch = 2\r\nEnde der Liste\r\nSection Signalparameters",
        "used x\n\n",
        "  Freq = 100\r\n  Signalnumber = x\r\nEnde\r\n",
        "  Section Table\r\n 1\r\n  End Table\r\nEnde\r\n",
        "\x7f"
        "ELF\x02\x01\x01" +
            nul + nul + "\r\nSection Global\r\n  Signallength = 5\r\nEnd Global\r\n",
        "Section Global\r\n  Signallength = 5\r\n  TabTyp = x\r\nEnd Global\r\n" + nul,
    };
    for (const std::string& content : contents) {
        writeBytes(notes, content);
        dialogs.fileAnswers.push_back(notes);
        cmd.Laden1Click();
        ASSERT_FALSE(dialogs.messages.empty());
        EXPECT_EQ(dialogs.messages.back(),
                  (RecordingDialogs::Message{"Datei " + notes + " ist keine Tonvera-Projektdatei", "Achtung"}));
        EXPECT_TRUE(snapshot() == before) << content;
        EXPECT_TRUE(hooks.calls.empty());
    }
    // One Section line is enough: the file loads as before.
    load("Ende\r\n");
    EXPECT_EQ(hooks.calls.back(), "enter");
    EXPECT_EQ(dialogs.messages.size(), contents.size());
}

// The values of a variable are read up to a limit far beyond any
// experiment; one more, and the file is refused at that line, before a
// wrong file fills the memory.
TEST_F(ProjectLoad, AVariableHoldsUpToItsLimitOfValues)
{
    std::string values;
    for (int i = 0; i < VariTable::MaxValues; ++i)
        values += "    " + std::to_string(i) + "\r\n";
    load("Section Variables\r\n  Variable 0\r\n    Pegel\r\n" + values + "  End Variable 0\r\nEnd Variables\r\n");
    const VariTable::Slot& slot = form.state().VariTable.slot(0);
    ASSERT_EQ(slot.size(), static_cast<std::size_t>(VariTable::MaxValues) + 1);
    EXPECT_EQ(slot.back(), std::to_string(VariTable::MaxValues - 1));
}

TEST_F(ProjectLoad, DialogsProposeTheLastNamesAndLoadingSetsTheSaveName)
{
    putBusyState();
    dialogs.fileAnswers.push_back(std::nullopt);
    cmd.Laden1Click();
    EXPECT_TRUE(hooks.calls.empty());
    const std::string file = dir.path("a.tva");
    dialogs.fileAnswers.push_back(file);
    cmd.Speichern1Click();
    dialogs.fileAnswers.push_back(file);
    cmd.Laden1Click();
    dialogs.fileAnswers.push_back(std::nullopt);
    cmd.Speichern1Click();
    dialogs.fileAnswers.push_back(std::nullopt);
    cmd.Laden1Click();

    using R = RecordingDialogs::FileRequest;
    const std::vector<R> expected = {
        {false, "Tonvera Dateien (*.tva)|*.tva|Alle Dateien (*.*)|*.*", "*.tva", "default.tva"},
        {true, "Tonvera Dateien (*.tva)| *.tva|Alle Dateien (*.*)|*.*", "*.tva", "default.tva"},
        {false, "Tonvera Dateien (*.tva)|*.tva|Alle Dateien (*.*)|*.*", "*.tva", "default.tva"},
        {true, "Tonvera Dateien (*.tva)| *.tva|Alle Dateien (*.*)|*.*", "*.tva", file},
        {false, "Tonvera Dateien (*.tva)|*.tva|Alle Dateien (*.*)|*.*", "*.tva", file},
    };
    ASSERT_EQ(dialogs.fileRequests.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(dialogs.fileRequests[i].save, expected[i].save) << i;
        EXPECT_EQ(dialogs.fileRequests[i].filter, expected[i].filter) << i;
        EXPECT_EQ(dialogs.fileRequests[i].defaultExt, expected[i].defaultExt) << i;
        EXPECT_EQ(dialogs.fileRequests[i].initialName, expected[i].initialName) << i;
    }
}

} // namespace
} // namespace tonvera
