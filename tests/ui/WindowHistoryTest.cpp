// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo in the main window, driven through the real widgets and
// keys: a deleted signal comes back with its own table, a committed edit is
// taken back and repeated, and a load or "Neu" starts the history afresh.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include "model/MainForm.h"
#include "support/RecordingDialogs.h"
#include "ui/ControlLookup.h"
#include "ui/MainWindow.h"
#include "ui/ShownWindow.h"

using namespace tonvera;
using tonvera::test::RecordingDialogs;

namespace {

struct WindowHistoryTest : tonvera::test::ShownWindow {
    template <class T>
    T* child(const char* name)
    {
        return tonvera::test::control<T>(w, name);
    }
    void click(const char* button) { QTest::mouseClick(child<QAbstractButton>(button), Qt::LeftButton); }
    void typeInto(const char* edit, const QString& text) { ShownWindow::typeInto(child<QLineEdit>(edit), text); }
    // A key as the operator types it: to whatever has the focus.
    void key(int k, Qt::KeyboardModifiers mods)
    {
        QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
        QTest::keyClick(to, static_cast<Qt::Key>(k), mods);
    }
    QString caption(const char* action) { return child<QAction>(action)->text().remove('&'); }
};

} // namespace

TEST_F(WindowHistoryTest, ADeletedNoiseSignalComesBackWithItsTableAndGoesAgainOnRedo)
{
    click("Button1");
    click("Button1");
    click("RauschenSel");
    typeInto("Freq", "440");
    QTest::keyClick(child<QLineEdit>("Freq"), Qt::Key_Return);
    const SinusRecord noise = st().SinusArray[1];
    ASSERT_EQ(noise.TabTyp, TypeRauschen);
    ASSERT_EQ(noise.Freq, "440");
    // A noise table is its own: nothing else could fill it again.
    ASSERT_FALSE(noise.Table == st().SinusArray[0].Table);

    click("Button2");
    ASSERT_EQ(w.form().SignalCount(), 1);
    EXPECT_EQ(caption("Rueckgaengig1"), "Rückgängig: Signal 2 löschen");

    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w.form().SignalCount(), 2);
    EXPECT_EQ(st().SinusArray[1], noise);
    EXPECT_EQ(st().SelectedSignal, 1);
    EXPECT_EQ(child<QLineEdit>("Freq")->text(), "440");
    EXPECT_TRUE(child<QRadioButton>("RauschenSel")->isChecked());
    EXPECT_EQ(caption("Wiederherstellen1"), "Wiederherstellen: Signal 2 löschen");
    EXPECT_EQ(caption("Rueckgaengig1"), "Rückgängig: Frequenz ändern");

    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(w.form().SignalCount(), 1);
    EXPECT_FALSE(child<QAction>("Wiederherstellen1")->isEnabled());
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.form().SignalCount(), 1);
    EXPECT_TRUE(dialogs.errors.empty());
}

// Ctrl+Z in an edit takes back what was typed there until it is committed;
// a committed edit is the project's step.
TEST_F(WindowHistoryTest, ACommittedEditIsUndoneAndRedoneTypingIsTheEditsOwn)
{
    click("Button1");
    typeInto("Freq", "440");
    QTest::keyClick(child<QLineEdit>("Freq"), Qt::Key_Return);
    ASSERT_EQ(st().SinusArray[0].Freq, "440");
    ASSERT_TRUE(child<QLineEdit>("Freq")->hasFocus());

    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(st().SinusArray[0].Freq, "1");
    EXPECT_EQ(child<QLineEdit>("Freq")->text(), "1");
    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(st().SinusArray[0].Freq, "440");
    EXPECT_EQ(child<QLineEdit>("Freq")->text(), "440");

    typeInto("Freq", "55");
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(child<QLineEdit>("Freq")->text(), "440");
    EXPECT_EQ(st().SinusArray[0].Freq, "440");
    EXPECT_EQ(caption("Rueckgaengig1"), "Rückgängig: Frequenz ändern");

    // Global parameters too, and a copy is named as such.
    typeInto("Signaldauer", "2000");
    QTest::keyClick(child<QLineEdit>("Signaldauer"), Qt::Key_Return);
    EXPECT_EQ(caption("Rueckgaengig1"), "Rückgängig: Globale Parameter ändern");
    click("Button9");
    EXPECT_EQ(caption("Rueckgaengig1"), "Rückgängig: Signal 1 kopieren");
    child<QAction>("Rueckgaengig1")->trigger();
    child<QAction>("Rueckgaengig1")->trigger();
    EXPECT_EQ(child<QLineEdit>("Signaldauer")->text(), "1000");
    EXPECT_EQ(w.form().SignalCount(), 1);
}

TEST_F(WindowHistoryTest, TheEditMenuFollowsDateiAndIsEmptyAtStart)
{
    const QList<QAction*> menus = w.menuBar()->actions();
    ASSERT_GE(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), "&Datei");
    EXPECT_EQ(menus[1]->text(), "&Bearbeiten");
    EXPECT_EQ(menus[2]->text(), "&Variablen");
    EXPECT_EQ(menus[1]->menu()->actions(),
              (QList<QAction*>{child<QAction>("Rueckgaengig1"), child<QAction>("Wiederherstellen1")}));
    EXPECT_FALSE(child<QAction>("Rueckgaengig1")->isEnabled());
    EXPECT_FALSE(child<QAction>("Wiederherstellen1")->isEnabled());
    EXPECT_EQ(caption("Rueckgaengig1"), "Rückgängig");
    EXPECT_EQ(child<QAction>("Wiederherstellen1")->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));
    EXPECT_EQ(child<QAction>("Speichern1")->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(child<QAction>("Laden1")->shortcut(), QKeySequence("Ctrl+O"));
}

TEST_F(WindowHistoryTest, ALoadStartsTheHistoryAfreshAFailedOneLeavesIt)
{
    click("Button1");
    dialogs.fileAnswers = {std::string(TONVERA_FIXTURES_DIR) + "/gibt-es-nicht.tva"};
    child<QAction>("Laden1")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(child<QAction>("Rueckgaengig1")->isEnabled());

    dialogs.fileAnswers = {std::string(TONVERA_FIXTURES_DIR) + "/project_handmade.tva"};
    child<QAction>("Laden1")->trigger();
    EXPECT_FALSE(child<QAction>("Rueckgaengig1")->isEnabled());
    EXPECT_EQ(w.windowTitle(), "Tonvera - project_handmade.tva");

    click("Button1");
    child<QAction>("Neu1")->trigger();
    EXPECT_EQ(w.form().SignalCount(), 0);
    EXPECT_FALSE(child<QAction>("Rueckgaengig1")->isEnabled());
    EXPECT_EQ(w.windowTitle(), "Tonvera");
}

// An editor changes the set through commands of its own while it is open;
// closing it is one step. The calibration is undone too but is no change to
// the project.
TEST_F(WindowHistoryTest, AnEditorsChangesAreOneStepPerClosing)
{
    w.hooks.NeueVariable1Click = [&] {
        w.guard().run([&] { st().VariTable.slot(0) = {"Freq", "1", "2"}; });
        w.guard().run([&] { st().VariTable.slot(1) = {"Ampl", "3", "4"}; });
    };
    child<QAction>("NeueVariable1")->trigger();
    EXPECT_EQ(caption("Rueckgaengig1"), "Rückgängig: Variablen ändern");
    EXPECT_EQ(w.windowTitle(), "Tonvera*");
    child<QAction>("Rueckgaengig1")->trigger();
    EXPECT_TRUE(st().VariTable.slot(1).empty());
    EXPECT_FALSE(child<QAction>("Rueckgaengig1")->isEnabled());

    w.hooks.EichungClick = [&] { w.guard().run([&] { st().EichTable.count = 1; }); };
    child<QAction>("Eichung")->trigger();
    EXPECT_EQ(caption("Rueckgaengig1"), "Rückgängig: Kalibrierung ändern");
    EXPECT_EQ(w.windowTitle(), "Tonvera");
}
