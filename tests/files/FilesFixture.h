// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared pieces of the file tests: a scratch folder, byte-exact file access,
// the state the hand-made fixture describes, load hooks that record, and
// the fixture the file tests share.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/FileCommands.h"
#include "files/ProjectFile.h"
#include "files/ProjectLoadHooks.h"
#include "model/MainForm.h"
#include "model/MainState.h"
#include "support/FormFixture.h"
#include "support/TempDir.h"
#include "support/RecordingDialogs.h"

namespace tonvera::test {

inline std::string readBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string fixture(const std::string& name) { return std::string(TONVERA_FIXTURES_DIR) + "/" + name; }

// The state tests/fixtures/make_fixtures.py writes into project_handmade.tva.
inline std::int32_t fixtureTableEntry(int n, int i)
{
    if (n == 4)
        return 0;
    return static_cast<std::int32_t>((static_cast<long long>(i) * (2 * n + 1) * 7919) % 65001 - 32500);
}

inline void makeFixtureState(MainState& st, ProjectGlobals& g)
{
    const std::vector<std::vector<std::string>> texts = {
        {"1000", "90", "6,5", "0", "25", "0,002", "0,002"},
        {"2*Pegel+10", "0", "3", "12,5", "100", "1", "2"},
        {"Lärm", "45", "0", "0", "25", "0,002", "0,002"},
    };
    const std::int32_t tabTyp[8] = {0, 1, 2, 3, 4, 5, -1, 0};
    const double tabPara[8] = {-2.25, 0.5, 12.5, 1250.0, 0.0, 0.00005, 1e20, 0.1 + 0.2};
    for (int n = 0; n < 8; ++n) {
        SinusRecord& r = st.SinusArray[static_cast<std::size_t>(n)];
        r.SetDefaultTexts();
        if (n < 3)
            for (int t = 0; t < 7; ++t)
                r.Text(t) = texts[static_cast<std::size_t>(n)][static_cast<std::size_t>(t)];
        r.TabTyp = tabTyp[n];
        r.TabPara = tabPara[n];
        r.Used = n < 3;
        for (int i = 0; i < TableSize; ++i)
            r.Table[static_cast<std::size_t>(i)] = fixtureTableEntry(n, i);
    }
    st.SelectedSignal = 1;
    st.TastHigh = true;
    st.VariTable.Clear();
    st.VariTable.slot(0) = {"Pegel", "1", "2,5", "-3"};
    st.VariTable.slot(1) = {"Größe", "€5", "x y"};

    g.Signaldauer = "1500";
    g.Triggerstart = "100";
    g.Triggerstop = "900";
    g.AnzWieder = "3";
    g.EndDamp = "9,75";
    g.check(CheckBox::Repeated) = true;
    g.check(CheckBox::varcheck) = false;
    g.check(CheckBox::StartCheck) = true;
    g.check(CheckBox::RampUpCheck) = false;
    g.check(CheckBox::FreqCheck) = true;
    g.check(CheckBox::PhaseCheck) = true;
    g.check(CheckBox::AmplCheck) = false;
    g.check(CheckBox::StopCheck) = true;
    g.check(CheckBox::RampDownCheck) = true;
    g.check(CheckBox::TypCheck) = false;
    g.check(CheckBox::ExternStart) = false;
}

// Records what the load asks for, and does nothing else, so a loaded state
// can be compared without the Enter action's range check rewriting it.
class RecordingHooks : public ProjectLoadHooks {
public:
    std::vector<std::string> calls;
    std::vector<CheckBox> clicked;
    std::vector<std::int32_t> reloadedFirstEntries;

    void CheckBoxClicked(CheckBox box) override
    {
        clicked.push_back(box);
        calls.push_back("click");
    }
    void ReloadTables(const SinusArray& signals) override
    {
        for (const SinusRecord& r : signals)
            reloadedFirstEntries.push_back(r.Table[1]);
        calls.push_back("tables");
    }
    void RepaintParInfo() override { calls.push_back("parinfo"); }
    void EnterAction() override { calls.push_back("enter"); }
};

// A window's form and file commands over a scratch folder, with hooks
// that record what a load asks of the layers above.
class FilesFixture : public FormFixture {
protected:
    RecordingHooks hooks;
    FileCommands cmd{form, hooks};
    TempDir dir;
};

} // namespace tonvera::test
