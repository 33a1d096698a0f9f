// The whole program against the device emulator: the hardware dialog finds
// the device on the emulator's link, and Start and Stop run it.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

#include "device/SerialLine.h"
#include "device/TTonvera.h"
#include "model/MainForm.h"
#include "support/EmuProcess.h"
#include "support/RecordingDialogs.h"
#include "ui/AppWindows.h"
#include "ui/HardInitDialog.h"
#include "ui/MainWindow.h"

using namespace tonvera;
using tonvera::testing::RecordingDialogs;

TEST(WindowEmulator, HardwareDialogFindsTheDeviceAndTheSetRuns)
{
    if (!std::filesystem::exists(std::string(TONVERA_BIN_DIR) + "/tonvera-emu"))
        GTEST_SKIP() << "tonvera-emu is not built";
    tonvera::test::EmuProcess emu;
    RecordingDialogs dialogs;
    AppWindows windows = CreateWindows(&dialogs);
    MainWindow& m = *windows.MainForm;
    m.show();

    m.Button1->click();
    bool listed = false;
    QTimer::singleShot(0, [&] {
        // The emulator's own link is not the default one; typed by hand.
        listed = windows.HardInit->ComSel->findText("COM4:") == 3;
        windows.HardInit->ComSel->setEditText(QString::fromStdString(emu.link()));
        QTest::keyClick(windows.HardInit->ComSel, Qt::Key_Return);
        if (windows.HardInit->isVisible()) {
            ADD_FAILURE() << "Enter did not end the dialog";
            windows.HardInit->reject();
        }
    });
    m.Hardware1->trigger();
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
    EXPECT_TRUE(listed);
    EXPECT_FALSE(windows.HardInit->isVisible());
    EXPECT_EQ(m.StatusPanel[1]->text(), "Hardware initialisiert");
    EXPECT_TRUE(m.line().isOpen());
    EXPECT_TRUE(m.Timer1->isActive());

    m.StartButton->click();
    EXPECT_TRUE(m.device().Running);
    m.Timer1Timer();
    EXPECT_EQ(m.StatusPanel[2]->text(), "Signal OK");
    m.Button4->click();
    EXPECT_FALSE(m.device().Running);
    EXPECT_TRUE(dialogs.errors.empty());

    m.close();
    EXPECT_FALSE(m.line().isOpen());
}
