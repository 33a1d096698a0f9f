// The hardware dialog: the port list, Enter and the button starting the
// initialisation, and a way out after an aborted one.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <gtest/gtest.h>

#include "model/Errors.h"
#include "run/CommandGuard.h"
#include "ui/HardInitDialog.h"

using namespace tonvera;
namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir()
    {
        path = fs::temp_directory_path() / ("tonvera-ui-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    void touch(const std::string& name) const { std::ofstream(path / name).put('\n'); }
};

struct HardInitTest : ::testing::Test {
    std::vector<std::string> errors;
    CommandGuard guard{[this](const std::string& t) { errors.push_back(t); }};
    HardInitDialog dialog{guard};
    std::vector<std::string> ports;
};

} // namespace

TEST(PortChoices, ClassicNamesThenDevicesThenTheEmulator)
{
    TempDir dev;
    for (const char* n : {"ttyUSB10", "ttyS0", "ttyACM0", "ttyUSB2", "null", "ttyUSB0"})
        dev.touch(n);
    dev.touch("emu");
    const auto d = dev.path.string();
    const std::vector<std::string> expected{"COM1:", "COM2:", "COM3:", "COM4:",
                                            d + "/ttyACM0", d + "/ttyUSB0", d + "/ttyUSB2", d + "/ttyUSB10",
                                            d + "/emu"};
    EXPECT_EQ(PortChoices(dev.path, dev.path / "emu"), expected);
    // No emulator running, no such folder: the classic names alone.
    EXPECT_EQ(PortChoices(dev.path / "nirgends", dev.path / "keiner").size(), 4u);
}

TEST(PortChoices, EmulatorLinkFollowsTheRuntimeFolder)
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", "/run/user/4711");
    EXPECT_EQ(EmulatorLink(), fs::path("/run/user/4711/tonvera-emu"));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(EmulatorLink(), fs::path("/tmp/tonvera-emu"));
    if (!saved.isNull())
        qputenv("XDG_RUNTIME_DIR", saved);
}

TEST_F(HardInitTest, CaptionsAndInitialPort)
{
    EXPECT_EQ(dialog.windowTitle(), "Hardware initialisieren");
    EXPECT_EQ(dialog.Label1->text(), "Anschlußport:");
    EXPECT_EQ(dialog.Button4->text(), "Hardware initialisieren");
    EXPECT_TRUE(dialog.ComSel->isEditable());
    EXPECT_EQ(dialog.ComSel->currentText(), "COM3:");
    ASSERT_GE(dialog.ComSel->count(), 4);
    EXPECT_EQ(dialog.ComSel->itemText(0), "COM1:");
    EXPECT_EQ(dialog.ComSel->itemText(3), "COM4:");
}

TEST_F(HardInitTest, EnterInTheComboRunsTheInitialisationWithTheTypedName)
{
    dialog.InitHardwareHook = [&](const std::string& p) {
        EXPECT_FALSE(dialog.Button4->isEnabled()); // disabled while it runs
        ports.push_back(p);
    };
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.ComSel->setFocus();
    dialog.ComSel->setEditText("COM7:");
    // To the widget that has the focus, as a real key press goes.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(ports, std::vector<std::string>{"COM7:"});
    EXPECT_TRUE(errors.empty());
    EXPECT_FALSE(dialog.isVisible()); // closed after a normal end
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.Button4->isEnabled());
    // The typed name was not added to the list.
    EXPECT_EQ(dialog.ComSel->findText("COM7:"), -1);
}

TEST_F(HardInitTest, ButtonRunsTheInitialisation)
{
    dialog.InitHardwareHook = [&](const std::string& p) { ports.push_back(p); };
    dialog.show();
    QTest::mouseClick(dialog.Button4, Qt::LeftButton);
    EXPECT_EQ(ports, std::vector<std::string>{"COM3:"});
}

TEST_F(HardInitTest, AfterAnAbortTheErrorIsShownAndTheDialogCanBeLeft)
{
    dialog.InitHardwareHook = [&](const std::string& p) {
        ports.push_back(p);
        throw AbortError("Port " + p + " kann nicht geöffnet werden");
    };
    dialog.show();
    QTest::mouseClick(dialog.Button4, Qt::LeftButton);
    EXPECT_EQ(errors, std::vector<std::string>{"Port COM3: kann nicht geöffnet werden"});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.Button4->isEnabled());
    // Tried again, then left with Escape.
    QTest::mouseClick(dialog.Button4, Qt::LeftButton);
    EXPECT_EQ(ports.size(), 2u);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(HardInitTest, WithoutADeviceLayerTheOperatorIsTold)
{
    dialog.show();
    QTest::mouseClick(dialog.Button4, Qt::LeftButton);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_TRUE(dialog.isVisible());
}

TEST(CommandGuard, AbortIsReportedAndLaterCommandsRun)
{
    std::vector<std::string> shown;
    CommandGuard g([&](const std::string& t) { shown.push_back(t); });
    int state = 0;
    EXPECT_FALSE(g.run([&] {
        state = 1; // the state reached so far stays
        throw ConvertError("1.5");
    }));
    EXPECT_EQ(state, 1);
    EXPECT_TRUE(g.run([&] {
        EXPECT_TRUE(g.busy());
        state = 2;
    }));
    EXPECT_FALSE(g.busy());
    EXPECT_EQ(shown, std::vector<std::string>{"'1.5' ist kein gültiger Gleitkommawert"});
    // A foreign exception does not get past the guard either.
    EXPECT_FALSE(g.run([] { throw std::out_of_range("vector"); }));
    EXPECT_EQ(shown.size(), 2u);
}
