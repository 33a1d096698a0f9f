// SPDX-License-Identifier: GPL-3.0-or-later
// What the window remembers between starts (the file dialogs' folder, the
// port last initialised) and the real question box.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
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
