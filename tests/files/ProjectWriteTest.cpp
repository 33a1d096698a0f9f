// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a project: the written form byte for byte, the refusal of texts
// that could not be stored faithfully, and that a failed save leaves the old
// file as it was.

#include <gtest/gtest.h>
#include <chrono>
#include <algorithm>
#include <unistd.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include "files/FileCommands.h"
#include "files/FilesFixture.h"
#include "files/TextFile.h"
#include "model/Errors.h"
#include "support/FakeView.h"
#include "support/RecordingDialogs.h"

namespace tonvera {
namespace {

using namespace tonvera::test;

class ProjectSave : public FilesFixture {
protected:
    void putFixtureState()
    {
        MainState st = form.state();
        ProjectGlobals g = ReadGlobals(view);
        test::makeFixtureState(st, g);
        form.replaceState(st);
        ApplyGlobals(g, view);
    }

    // Saving must fail with `message` and leave the old file and the folder
    // exactly as they were.
    void expectRefused(const std::string& message)
    {
        const std::string file = dir.path("alt.tva");
        writeBytes(file, "alter Inhalt\r\n");
        try {
            cmd.SaveProject(file);
            ADD_FAILURE() << "saved although it should refuse: " << message;
        } catch (const AbortError& e) {
            EXPECT_EQ(e.text(), message);
        }
        EXPECT_EQ(readBytes(file), "alter Inhalt\r\n");
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"alt.tva"});
    }
};

TEST_F(ProjectSave, WritesExactlyTheHandMadeFile)
{
    putFixtureState();
    const std::string file = dir.path("out.tva");
    cmd.SaveProject(file);
    const std::string written = readBytes(file);
    const std::string expected = readBytes(test::fixture("project_handmade.tva"));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(written.size(), expected.size());
    // Compare line by line first so a difference is shown where it is.
    const auto a = SplitLines(written);
    const auto b = SplitLines(expected);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(a[i], b[i]) << "line " << i;
    EXPECT_TRUE(written == expected);
}

TEST_F(ProjectSave, WriteProjectGivesTheLinesInUtf8WithTheirCounts)
{
    putFixtureState();
    std::vector<std::string> lines;
    cmd.WriteProject(lines);
    // 2154 signal lines, 20 global, 2 + 42 framing and 7 items.
    ASSERT_EQ(lines.size(), 2154u + 20u + 44u + 7u);
    EXPECT_EQ(lines[2], "  Freq = 1000");
    EXPECT_EQ(lines[271], "  Freq = 2*Pegel+10");
    EXPECT_EQ(lines[540], "  Freq = Lärm");
    EXPECT_EQ(lines[2154 + 20 + 1 + 6 + 1], "    Größe");
    EXPECT_EQ(lines.back(), "End Variables");
}

TEST_F(ProjectSave, ReplacesAnExistingFileAndLeavesNoTemporaryFile)
{
    putFixtureState();
    const std::string file = dir.path("p.tva");
    writeBytes(file, "old");
    cmd.SaveProject(file);
    EXPECT_EQ(readBytes(file), readBytes(test::fixture("project_handmade.tva")));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"p.tva"});
}

// A save replaces the content, not the file's place or permissions: a link
// keeps pointing at its file, and a file kept private stays private.
TEST_F(ProjectSave, KeepsLinksAndPermissionsOfTheOldFile)
{
    putFixtureState();
    const std::string real = dir.path("echt.tva");
    const std::string link = dir.path("link.tva");
    writeBytes(real, "old");
    std::filesystem::permissions(real, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::create_symlink(real, link);
    cmd.SaveProject(link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(real), readBytes(test::fixture("project_handmade.tva")));
    EXPECT_EQ(std::filesystem::status(real).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // A link to nothing, or into a loop, has no file to write: refused, and
    // the link stays as it was instead of becoming a file.
    const std::string dangling = dir.path("ins-leere.tva");
    std::filesystem::create_symlink(dir.path("fehlt.tva"), dangling);
    const std::string loop = dir.path("kreis.tva");
    std::filesystem::create_symlink(dir.path("zurueck.tva"), loop);
    std::filesystem::create_symlink(loop, dir.path("zurueck.tva"));
    for (const auto& [name, reason] : {std::pair{dangling, "der Verweis zeigt auf keine vorhandene Datei"},
                                       std::pair{loop, "Verweise bilden eine Schleife"}}) {
        try {
            cmd.SaveProject(name);
            ADD_FAILURE() << "saved onto " << name;
        } catch (const FileError& e) {
            EXPECT_EQ(e.text(), "Datei " + name + " kann nicht erstellt werden: " + reason);
        }
        EXPECT_TRUE(std::filesystem::is_symlink(name));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path("fehlt.tva")));
}

// What a direct write would refuse, the save refuses: a file the user may
// not write stays as it is, though the folder would allow the rename.
TEST_F(ProjectSave, AWriteProtectedFileIsNotReplaced)
{
    putFixtureState();
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    const std::string file = dir.path("fest.tva");
    writeBytes(file, "alter Inhalt\r\n");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    const auto save = [&] {
        try {
            cmd.SaveProject(file);
        } catch (const FileError& e) {
            return e.text() == "Datei " + file + " kann nicht erstellt werden: keine Berechtigung" ? 0 : 2;
        }
        return 1;
    };
    if (::geteuid() != 0) {
        EXPECT_EQ(save(), 0);
    } else {
        // Root writes any file; an ordinary user is what is to be seen.
        ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
            ::_exit(::setgid(65534) == 0 && ::setuid(65534) == 0 ? save() : 3);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    EXPECT_EQ(readBytes(file), "alter Inhalt\r\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"fest.tva"});
}

// The temporary of a save has a short name of its own; those a crash left
// behind go at the next save into the folder, one in use does not.
TEST_F(ProjectSave, LongNamesSaveAndStaleTemporariesGo)
{
    putFixtureState();
    const std::string name = std::string(250, 'n') + ".tva";
    const std::string stale = dir.path(".tonvera-Ab12cd");
    const std::string fresh = dir.path(".tonvera-Zz99yy");
    writeBytes(stale, "halb");
    writeBytes(fresh, "halb");
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(stale, old);
    cmd.SaveProject(dir.path(name));
    EXPECT_EQ(readBytes(dir.path(name)), readBytes(test::fixture("project_handmade.tva")));
    auto entries = dir.entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{".tonvera-Zz99yy", name}));
}

TEST_F(ProjectSave, OwnerAndGroupStayWhereTheUserMayKeepThem)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may keep another user's file his";
    putFixtureState();
    const std::string file = dir.path("fremd.tva");
    writeBytes(file, "old");
    ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    cmd.SaveProject(file);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(readBytes(file), readBytes(test::fixture("project_handmade.tva")));
}

TEST_F(ProjectSave, RefusesTextsThatCannotBeStoredAndWritesNothing)
{
    putFixtureState();
    form.state().VariTable.slot(3) = {"Wert", "1", "Ő"};
    expectRefused("Das Zeichen 'Ő' (U+0150) in Variable 3 kann nicht gespeichert werden");

    form.state().VariTable.slot(3) = {"Wert", "2\r\n  Freq = 7"};
    expectRefused("Der Text in Variable 3 enthält einen Zeilenumbruch und kann nicht gespeichert werden");

    form.state().VariTable.slot(3) = {"Wert"};
    form.state().SinusArray[2].Freq = "1\n";
    expectRefused("Der Text in Frequenz von Signal 2 enthält einen Zeilenumbruch und kann nicht gespeichert werden");

    form.state().SinusArray[2].Freq = "1";
    view.edit(EditField::AnzWieder) = "3 \xF0\x9F\x8E\xB5";
    expectRefused("Das Zeichen '\xF0\x9F\x8E\xB5' (U+1F3B5) in Wiederholungen kann nicht gespeichert werden");

    view.edit(EditField::AnzWieder) = "3";
    view.edit(EditField::Signaldauer) = "\xC3";
    expectRefused("Das Zeichen '\xEF\xBF\xBD' (U+FFFD) in Signaldauer kann nicht gespeichert werden");

    // What the reader would refuse is not written either.
    view.edit(EditField::Signaldauer) = std::string("10") + '\0';
    expectRefused("Der Text in Signaldauer enthält ein Nullzeichen und kann nicht gespeichert werden");
    view.edit(EditField::Signaldauer) = std::string(MaxLineBytes, '1');
    expectRefused("Der Text in Signaldauer ist zu lang und kann nicht gespeichert werden");
    view.edit(EditField::Signaldauer) = "10";
    form.state().VariTable.slot(3) = VariTable::Slot(VariTable::MaxValues + 2, "1");
    form.state().VariTable.slot(3).front() = "Wert";
    expectRefused("Die Variable 'Wert' hat mehr als 100000 Werte und kann nicht gespeichert werden");
}

TEST_F(ProjectSave, RefusesVariableItemsThatWouldReadBackAsFraming)
{
    putFixtureState();
    for (const char* item : {"Variable 7", "variable x", "End Variable", "  end  variables jetzt"}) {
        form.state().VariTable.slot(1) = {"Größe", item};
        expectRefused(std::string("Der Eintrag '") + item +
                      "' in Variable 1 würde beim Laden als Kopf- oder Endzeile einer Variablen gelesen und kann "
                      "nicht gespeichert werden");
    }
    // One word, or another word after End, reads back as an item.
    form.state().VariTable.slot(1) = {"Größe", "Variable", "End Variablen", "Ende Variable 2"};
    const std::string file = dir.path("ok.tva");
    cmd.SaveProject(file);
    form.state().VariTable.Clear();
    cmd.LoadProject(file);
    EXPECT_EQ(form.state().VariTable.slot(1),
              (VariTable::Slot{"Größe", "Variable", "End Variablen", "Ende Variable 2"}));
}

TEST_F(ProjectSave, AFileThatCannotBeCreatedIsReportedByName)
{
    putFixtureState();
    const std::string file = dir.path("fehlt/p.tva");
    try {
        cmd.SaveProject(file);
        FAIL() << "saved into a missing folder";
    } catch (const FileError& e) {
        EXPECT_EQ(e.text(), "Datei " + file + " kann nicht erstellt werden: Ordner nicht vorhanden");
    }
    // A folder of the same name is not replaced either.
    const std::string folder = dir.path("ordner.tva");
    std::filesystem::create_directory(folder);
    try {
        cmd.SaveProject(folder);
        FAIL() << "replaced a folder";
    } catch (const FileError& e) {
        EXPECT_EQ(e.text(), "Datei " + folder + " kann nicht erstellt werden: ist ein Ordner");
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    // A name too long for the system is cut in the message.
    const std::string longName = dir.path(std::string(5000, 'n') + ".tva");
    try {
        cmd.SaveProject(longName);
        FAIL() << "saved under a name of 5000 characters";
    } catch (const FileError& e) {
        EXPECT_EQ(e.text(), "Datei " + longName.substr(0, 200) + "… kann nicht erstellt werden: Name zu lang");
    }
}

// The reason of a failed save is the system's: a full disk and a
// read-only one, each on a small file system of the test's own.
TEST_F(ProjectSave, AFullOrReadOnlyDiskIsNamed)
{
    putFixtureState();
    const std::string disk = dir.path("platte");
    std::filesystem::create_directory(disk);
    const std::string file = disk + "/p.tva";
    const auto failsFor = [&](const std::string& reason) {
        try {
            cmd.SaveProject(file);
        } catch (const FileError& e) {
            return e.text() == "Datei " + file + " kann nicht erstellt werden: " + reason &&
                   readBytes(file) == "alter Inhalt\r\n" &&
                   std::distance(std::filesystem::directory_iterator(disk), {}) == 1;
        }
        return false;
    };
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        constexpr int NoDisk = 77;
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
            ::_exit(NoDisk);
        writeBytes(file, "alter Inhalt\r\n");
        if (!failsFor("kein Platz mehr auf dem Datenträger"))
            ::_exit(1);
        if (::mount(nullptr, disk.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            ::_exit(NoDisk);
        ::_exit(failsFor("Datenträger ist schreibgeschützt") ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "mounting a file system of its own needs root";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: full disk, 2: read-only disk";
}

// A disk that fills up in the middle of the write: the old file stays whole.
TEST_F(ProjectSave, AWriteThatFailsHalfwayLeavesTheOldFileUntouched)
{
    putFixtureState();
    const std::string file = dir.path("p.tva");
    writeBytes(file, "alter Inhalt\r\n");

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 100000; // the project is about 1.5 MB
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        cmd.SaveProject(file);
    } catch (const FileError& e) {
        threw = true;
        EXPECT_EQ(e.text(), "Datei " + file + " kann nicht erstellt werden: Datei zu groß für den Datenträger");
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(threw);
    EXPECT_EQ(readBytes(file), "alter Inhalt\r\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"p.tva"});
}

TEST_F(ProjectSave, CarrierMultiplesSurviveSaveAndLoad)
{
    putFixtureState();
    const double values[] = {12.5, 125.0, 1.0 / 3.0, 0.00005, 1e-300, 123456789.125, -7.0, 1e300};
    for (double v : values) {
        form.state().SinusArray[5].TabPara = v;
        const std::string file = dir.path("am.tva");
        cmd.SaveProject(file);
        form.state().SinusArray[5].TabPara = 0;
        cmd.LoadProject(file);
        EXPECT_EQ(form.state().SinusArray[5].TabPara, v);
    }
}

TEST_F(ProjectSave, CarrierMultipleUsesTheCurrentSeparator)
{
    putFixtureState();
    cmd.DecimalSeparator = '.';
    std::vector<std::string> lines;
    cmd.WriteProject(lines);
    EXPECT_EQ(lines[1 + 269 + 9], "  TabPara = 0.5");
    EXPECT_EQ(lines[1 + 5 * 269 + 9], "  TabPara = 5E-5");
}

TEST_F(ProjectSave, OrderLinesOnlyWhenNotAscendingAndTheyReadBack)
{
    putFixtureState();
    view.order_ = {OrderKind::Ascending, "7", "3 1"};
    std::vector<std::string> lines;
    cmd.WriteProject(lines);
    EXPECT_EQ(lines.size(), 2154u + 20u + 44u + 7u);

    view.order_ = {OrderKind::List, "7", "3 1 2"};
    lines.clear();
    cmd.WriteProject(lines);
    ASSERT_EQ(lines.size(), 2154u + 20u + 3u + 44u + 7u);
    EXPECT_EQ(lines[2154 + 18].substr(0, 12), "  EndDamp = ");
    EXPECT_EQ(lines[2154 + 19], "  Order = List");
    EXPECT_EQ(lines[2154 + 20], "  OrderSeed = 7");
    EXPECT_EQ(lines[2154 + 21], "  OrderList = 3 1 2");

    const std::string file = dir.path("order.tva");
    view.order_ = {OrderKind::Random, "", ""};
    cmd.SaveProject(file);
    view.order_ = {OrderKind::List, "9", "9"};
    cmd.LoadProject(file);
    EXPECT_EQ(view.order_, (OrderSetting{OrderKind::Random, "", ""}));

    // A word of a later version leaves the order as "Neu" made it.
    std::string bytes = readBytes(file);
    bytes.replace(bytes.find("Order = Random"), 14, "Order = Latin");
    writeBytes(file, bytes);
    cmd.LoadProject(file);
    EXPECT_EQ(view.order_.Kind, OrderKind::Ascending);
}

} // namespace
} // namespace tonvera
