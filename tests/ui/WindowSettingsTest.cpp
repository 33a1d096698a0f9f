// SPDX-License-Identifier: GPL-3.0-or-later
// What the window remembers between starts (the file dialogs' folder, the
// port last initialised) and the real question box.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include "support/EmuProcess.h"
#include "support/RecordingDialogs.h"
#include "ui/AppWindows.h"
#include "ui/HardInitDialog.h"
#include "ui/JournalDialog.h"
#include "ui/MainWindow.h"
#include "ui/WhileOpen.h"
#include "ui/QtDialogs.h"

using namespace tonvera;
using tonvera::test::RecordingDialogs;
using tonvera::test::whenModal;

TEST(WindowSettingsTest, FileDialogsOpenInTheFolderUsedLastAlsoAfterANewStart)
{
    QTemporaryDir used;
    {
        QtDialogs d;
        whenModal([&](QWidget* w) {
            auto* fd = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(fd, nullptr);
            fd->setDirectory(used.path());
            fd->selectFile("messung3");
            static_cast<QDialog*>(fd)->accept();
        });
        ASSERT_TRUE(d.saveFileName("Tonvera Dateien (*.tva)| *.tva|Alle Dateien (*.*)|*.*", "*.tva", "default.tva"));
    }
    QtDialogs fresh;
    QString opened;
    whenModal([&](QWidget* w) {
        opened = qobject_cast<QFileDialog*>(w)->directory().absolutePath();
        qobject_cast<QDialog*>(w)->reject();
    });
    EXPECT_FALSE(fresh.openFileName("Kalibrierdaten|*.cal|Alle Dateien|*.*", ".cal", "Default.cal"));
    EXPECT_EQ(opened, QDir(used.path()).absolutePath());
}

TEST(WindowSettingsTest, TheHardwareDialogStartsWithThePortLastFound)
{
    tonvera::test::EmuProcess emu;
    RecordingDialogs dialogs;
    {
        AppWindows windows = CreateWindows(&dialogs);
        QTimer::singleShot(0, [&] {
            windows.HardInit->findChild<QComboBox*>("ComSel")->setEditText(QString::fromStdString(emu.link()));
            QTest::mouseClick(windows.HardInit->findChild<QPushButton*>("Button4"), Qt::LeftButton);
            if (windows.HardInit->isVisible())
                windows.HardInit->reject();
        });
        windows.MainForm->findChild<QAction*>("Hardware1")->trigger();
        ASSERT_TRUE(dialogs.errors.empty());
    }
    RecordingDialogs later;
    AppWindows windows = CreateWindows(&later);
    EXPECT_EQ(windows.HardInit->findChild<QComboBox*>("ComSel")->currentText().toStdString(), emu.link());
}

// The journal goes to the data folder unless the operator chose another one
// or switched it off; both choices stay for the next start.
TEST(WindowSettingsTest, TheJournalsFolderAndSwitchStayForTheNextStart)
{
    QTemporaryDir chosen;
    RecordingDialogs dialogs;
    const auto openDialog = [](MainWindow& m, const std::function<void(JournalDialog&)>& act) {
        whenModal([act](QWidget* w) {
            auto* d = qobject_cast<JournalDialog*>(w);
            ASSERT_NE(d, nullptr);
            act(*d);
        });
        m.findChild<QAction*>("Protokoll1")->trigger();
    };
    {
        MainWindow m(&dialogs);
        openDialog(m, [&](JournalDialog& d) {
            EXPECT_EQ(d.findChild<QLineEdit*>("ProtokollOrdner")->text(),
                      qEnvironmentVariable("XDG_DATA_HOME") + "/tonvera/protokoll");
            EXPECT_TRUE(d.findChild<QCheckBox*>("ProtokollAn")->isChecked());
            d.ChooseFolder = [&](const QString&) { return chosen.path(); };
            d.findChild<QPushButton*>("OrdnerWahl")->click();
            d.findChild<QCheckBox*>("ProtokollAn")->click();
            d.findChild<QPushButton*>("OKBtn")->click();
        });
    }
    MainWindow later(&dialogs);
    openDialog(later, [&](JournalDialog& d) {
        EXPECT_EQ(d.findChild<QLineEdit*>("ProtokollOrdner")->text(), chosen.path());
        EXPECT_FALSE(d.findChild<QCheckBox*>("ProtokollAn")->isChecked());
        EXPECT_FALSE(d.findChild<QLineEdit*>("ProtokollOrdner")->isEnabled());
        d.reject();
    });
    EXPECT_TRUE(dialogs.errors.empty());
}
