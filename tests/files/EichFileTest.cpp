// SPDX-License-Identifier: GPL-3.0-or-later
// The calibration file: its written form, the lenient number reading of the
// earlier versions, and that a file that does not fit changes nothing.

#include <gtest/gtest.h>

#include "files/EichFile.h"
#include "files/FileCommands.h"
#include "files/FilesFixture.h"
#include "model/Errors.h"
#include "support/FakeView.h"
#include "support/RecordingDialogs.h"

namespace tonvera {
namespace {

using namespace tonvera::test;

class EichFile : public FilesFixture {
protected:
    EichTable& table() { return form.state().EichTable; }

    void putThreePoints()
    {
        table().count = 3;
        table().frequencies = {};
        table().corrections = {};
        table().frequencies[0] = 20;
        table().corrections[0] = 1.5;
        table().frequencies[1] = 1000.4;
        table().corrections[1] = -1.5;
        table().frequencies[2] = -5;
        table().corrections[2] = -0.004; // rounds to zero, keeps its sign
        table().frequencies[3] = 777;    // beyond the count
    }

    void loadText(const std::string& text)
    {
        const std::string file = dir.path("t.cal");
        writeBytes(file, text);
        cmd.LoadEichFile(file);
    }
};

TEST_F(EichFile, WritesWholeHertzAndHundredthsWithAPoint)
{
    putThreePoints();
    const std::string file = dir.path("k.cal");
    cmd.SaveEichFile(file);
    EXPECT_EQ(readBytes(file), "20/1.50\r\n1000/-1.50\r\n-5/-0.00\r\n");
    table().count = 0;
    cmd.SaveEichFile(file);
    EXPECT_EQ(readBytes(file), "");
}

TEST_F(EichFile, SaveThenLoadGivesTheRoundedPoints)
{
    putThreePoints();
    const std::string file = dir.path("k.cal");
    cmd.SaveEichFile(file);
    table().count = 0;
    cmd.LoadEichFile(file);
    EXPECT_EQ(table().count, 3);
    EXPECT_EQ(table().frequencies[1], 1000);
    EXPECT_EQ(table().corrections[1], -1.5);
    EXPECT_EQ(table().corrections[2], 0);
    EXPECT_EQ(table().frequencies[3], 777);
}

TEST_F(EichFile, FixturesOfZeroOneAnd501Lines)
{
    putThreePoints();
    cmd.LoadEichFile(test::fixture("cal_0.cal"));
    EXPECT_EQ(table().count, 0);
    cmd.LoadEichFile(test::fixture("cal_1.cal"));
    EXPECT_EQ(table().count, 1);
    EXPECT_EQ(table().frequencies[0], 1000);
    EXPECT_EQ(table().corrections[0], -1.5);
    cmd.LoadEichFile(test::fixture("cal_501.cal"));
    EXPECT_EQ(table().count, 501);
    EXPECT_EQ(table().frequencies[500], 20 + 40 * 500);
    EXPECT_EQ(table().corrections[500], (500 % 7 - 3) * 0.25);
}

TEST_F(EichFile, MoreThan501PointsChangeNothing)
{
    putThreePoints();
    const EichTable before = table();
    const std::string file = test::fixture("cal_502.cal");
    try {
        cmd.LoadEichFile(file);
        FAIL() << "502 points loaded";
    } catch (const AbortError& e) {
        EXPECT_EQ(e.text(), "Datei " + file + " enthält mehr als 501 Kalibrierpunkte");
    }
    EXPECT_EQ(table(), before);
}

TEST_F(EichFile, LinesOfEveryShape)
{
    loadText("\r\n1000,5/-2,25\r\n-3.5\r\n 100 /+1.5e1 dB\r\nabc/1.2.3\r\n1e999/-.5\r\n2/3/4\r\n200/nan\r\n");
    ASSERT_EQ(table().count, 8);
    const double f[] = {0, 1000.5, 0, 100, 0, 0, 2, 200};
    const double c[] = {0, -2.25, -3.5, 15, 1.2, -0.5, 3, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(table().frequencies[static_cast<std::size_t>(i)], f[i]) << "point " << i;
        EXPECT_EQ(table().corrections[static_cast<std::size_t>(i)], c[i]) << "point " << i;
    }
    // With the point as separator, a comma ends the number.
    cmd.DecimalSeparator = '.';
    loadText("1000,5/-2,25\n");
    EXPECT_EQ(table().frequencies[0], 1000);
    EXPECT_EQ(table().corrections[0], -2);
}

TEST_F(EichFile, AMissingFileIsReportedAndAnUnreadableOneChangesNothing)
{
    putThreePoints();
    const EichTable before = table();
    const std::string missing = dir.path("fehlt.cal");
    cmd.LoadEichFile(missing);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Kann " + missing + " Kalibrierung nicht öffnen!");
    EXPECT_EQ(dialogs.messages[0].title, "Achtung");
    EXPECT_EQ(table(), before);

    const std::string folder = dir.path("ordner.cal");
    std::filesystem::create_directory(folder);
    try {
        cmd.LoadEichFile(folder);
        FAIL() << "read a folder";
    } catch (const FileError& e) {
        EXPECT_EQ(e.text(), "Datei " + folder + " kann nicht geöffnet werden");
    }
    EXPECT_EQ(table(), before);
}

TEST_F(EichFile, ASaveThatFailsKeepsTheOldFile)
{
    putThreePoints();
    const std::string folder = dir.path("ordner.cal");
    std::filesystem::create_directory(folder);
    EXPECT_THROW(cmd.SaveEichFile(folder), FileError);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_THROW(cmd.SaveEichFile(dir.path("nicht/da.cal")), FileError);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"ordner.cal"});
}

TEST_F(EichFile, DialogsUseTheirOwnPropertiesAndRememberTheName)
{
    putThreePoints();
    const std::string file = dir.path("mess.cal");
    dialogs.fileAnswers = {file, file, std::nullopt, std::nullopt};
    cmd.Kalibrierdatenspeichern1Click();
    table().count = 0;
    cmd.Kalibrierdatenladen1Click();
    EXPECT_EQ(table().count, 3);
    cmd.Kalibrierdatenspeichern1Click();
    cmd.Kalibrierdatenladen1Click();
    ASSERT_EQ(dialogs.fileRequests.size(), 4u);
    const auto& r = dialogs.fileRequests;
    EXPECT_TRUE(r[0].save);
    EXPECT_EQ(r[0].filter, "Kalibrierdaten|*.cal|Alle Dateien|*.*");
    EXPECT_EQ(r[0].defaultExt, "*.cal");
    EXPECT_EQ(r[0].initialName, "Default.cal");
    EXPECT_FALSE(r[1].save);
    EXPECT_EQ(r[1].filter, "Kalibrierdaten|*.cal|Alle Dateien|*.*");
    EXPECT_EQ(r[1].defaultExt, ".cal");
    EXPECT_EQ(r[1].initialName, "Default.cal");
    EXPECT_EQ(r[2].initialName, file);
    EXPECT_EQ(r[3].initialName, file);
}

} // namespace
} // namespace tonvera
