// SPDX-License-Identifier: GPL-3.0-or-later
// The hardware dialog: the port list, Enter and the button starting the
// initialisation, and a way out after an aborted one.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "model/Errors.h"
#include "run/CommandGuard.h"
#include "ui/HardInitDialog.h"
#include "WhileOpen.h"

using namespace tonvera;
using tonvera::test::whileOpen;
namespace fs = std::filesystem;

namespace {

struct HardInitTest : ::testing::Test {
    std::vector<std::string> errors;
    CommandGuard guard{[this](const std::string& t) { errors.push_back(t); }};
    HardInitDialog dialog{guard};
    std::vector<std::string> ports;
};

} // namespace

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

// The list is read each time the dialog opens; it offers the classic names,
// then each port by its stable path with what it is, and the field takes
// the path alone.
TEST_F(HardInitTest, TheListIsReadOnOpeningAndShowsWhatEachPortIs)
{
    SerialPortInfo adapter;
    adapter.path = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XQ-if00-port0";
    adapter.device = "/dev/ttyUSB0";
    adapter.description = "FTDI FT232R USB UART, Seriennummer A10K3XQ (USB 0403:6001)";
    SerialPortInfo emu;
    emu.path = emu.device = "/run/user/1000/tonvera-emu";
    emu.description = "Geräteemulator tonvera-emu";
    std::vector<SerialPortInfo> present;
    int reads = 0;
    dialog.ListPorts = [&] {
        ++reads;
        return present;
    };
    present = {adapter, emu};
    whileOpen(
        dialog,
        [&] {
            ASSERT_EQ(dialog.ComSel->count(), 6);
            EXPECT_EQ(dialog.ComSel->itemText(0), "COM1:");
            EXPECT_EQ(dialog.ComSel->itemData(0, Qt::ToolTipRole).toString(), "/dev/ttyS0");
            EXPECT_EQ(dialog.ComSel->itemText(4), QString::fromStdString(adapter.path));
            EXPECT_EQ(dialog.ComSel->itemData(4, Qt::ToolTipRole).toString(),
                      "FTDI FT232R USB UART, Seriennummer A10K3XQ (USB 0403:6001), /dev/ttyUSB0");
            EXPECT_EQ(dialog.ComSel->itemText(5), QString::fromStdString(emu.path));
            EXPECT_EQ(dialog.ComSel->itemData(5, Qt::ToolTipRole).toString(), "Geräteemulator tonvera-emu");
            // The list line carries the description; the field only the path.
            QStyleOptionViewItem option;
            option.initFrom(dialog.ComSel->view());
            const QModelIndex index = dialog.ComSel->model()->index(4, 0);
            EXPECT_GT(dialog.ComSel->itemDelegate()->sizeHint(option, index).width(),
                      dialog.ComSel->fontMetrics().horizontalAdvance(QString::fromStdString(adapter.path)) +
                          dialog.ComSel->fontMetrics().horizontalAdvance("Seriennummer A10K3XQ"));
            dialog.ComSel->setCurrentIndex(4);
            EXPECT_EQ(dialog.ComSel->currentText(), QString::fromStdString(adapter.path));
        },
        [&] { dialog.exec(); });
    // Unplugged meanwhile: the next opening no longer offers it, and a
    // typed name survives the refresh.
    present = {};
    dialog.ComSel->setEditText("/dev/ttyUSB3");
    whileOpen(
        dialog,
        [&] {
            EXPECT_EQ(dialog.ComSel->count(), 4);
            EXPECT_EQ(dialog.ComSel->currentText(), "/dev/ttyUSB3");
        },
        [&] { dialog.exec(); });
    EXPECT_EQ(reads, 2);
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
