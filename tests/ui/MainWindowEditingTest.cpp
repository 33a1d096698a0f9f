// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven through its real widgets: buttons, edits, keys,
// clicks in the signal display, radio buttons, menu commands.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <gtest/gtest.h>

#include "device/SerialLine.h"
#include "device/TTonvera.h"
#include "model/Errors.h"
#include "model/MainForm.h"
#include "model/SignalEditing.h"
#include "support/RecordingDialogs.h"
#include "ui/AppWindows.h"
#include "ui/ControlLookup.h"
#include "ui/HardInitDialog.h"
#include "ui/MainWindow.h"
#include "ui/PaintBox.h"
#include "ui/ShownWindow.h"

using namespace tonvera;
using tonvera::test::control;
using tonvera::test::RecordingDialogs;

namespace {

struct WindowTest : tonvera::test::ShownWindow {
    SinusRecord& rec(int i) { return w.form().Record(i); }
    void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    void enter(QLineEdit* e) { QTest::keyClick(e, Qt::Key_Return); }
    int laneCentre(int k, int n)
    {
        const double H = control<PaintBox>(w, "SinusBox")->height();
        return static_cast<int>(std::nearbyint(k * H / (n + 1) + 25 + 0.5 * (H - 50) / n));
    }
};

} // namespace

TEST_F(WindowTest, StartsInTheNeuState)
{
    EXPECT_EQ(st().SelectedSignal, -1);
    EXPECT_EQ(control<QLineEdit>(w, "Signaldauer")->text(), "1000");
    EXPECT_EQ(control<QLineEdit>(w, "Triggerstart")->text(), "100");
    EXPECT_EQ(control<QLineEdit>(w, "Triggerstop")->text(), "900");
    EXPECT_EQ(control<QLineEdit>(w, "EndDamp")->text(), "0");
    EXPECT_EQ(control<QLineEdit>(w, "AnzWieder")->text(), "1");
    for (QLineEdit* e : w.localEdits())
        EXPECT_FALSE(e->isEnabled());
}

TEST_F(WindowTest, NewSignalOnAnEmptySet)
{
    click(control<QPushButton>(w, "Button1"));
    EXPECT_EQ(st().SelectedSignal, 0);
    const QStringList texts{"1", "0", "0", "0", "25", "0,002", "0,002"};
    const auto edits = w.localEdits();
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(edits[static_cast<std::size_t>(i)]->text(), texts[i]);
        EXPECT_TRUE(edits[static_cast<std::size_t>(i)]->isEnabled());
    }
    EXPECT_TRUE(control<QRadioButton>(w, "SinusSel")->isChecked());
    EXPECT_TRUE(control<QLineEdit>(w, "Start")->hasFocus());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(WindowTest, NinthSignalIsRefused)
{
    for (int i = 0; i < 8; ++i)
        click(control<QPushButton>(w, "Button1"));
    EXPECT_EQ(w.form().SignalCount(), 8);
    EXPECT_TRUE(dialogs.messages.empty());
    click(control<QPushButton>(w, "Button1"));
    EXPECT_EQ(dialogs.messages, (std::vector<RecordingDialogs::Message>{{"Maximal 8 Signale möglich!", "Achtung"}}));
    EXPECT_EQ(st().SelectedSignal, 7);
    EXPECT_EQ(w.form().SignalCount(), 8);
}

TEST_F(WindowTest, CopyTakesTheTypedTexts)
{
    click(control<QPushButton>(w, "Button1"));
    typeInto(control<QLineEdit>(w, "Freq"), "440");
    click(control<QPushButton>(w, "Button9")); // the click takes the focus: the edit is committed, then copied
    EXPECT_EQ(st().SelectedSignal, 1);
    EXPECT_EQ(rec(1).Freq, "440");
    EXPECT_EQ(rec(1), rec(0));
    EXPECT_EQ(control<QLineEdit>(w, "Freq")->text(), "440");
}

TEST_F(WindowTest, DeleteTheOnlySignal)
{
    click(control<QPushButton>(w, "Button1"));
    click(control<QPushButton>(w, "Button2"));
    EXPECT_EQ(w.form().SignalCount(), 0);
    EXPECT_EQ(st().SelectedSignal, 0);
    for (QLineEdit* e : w.localEdits())
        EXPECT_FALSE(e->isEnabled());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(WindowTest, DeleteWithNothingSelectedShowsTheErrorAndChangesNothing)
{
    click(control<QPushButton>(w, "Button2"));
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{"Fehler bei Bereichsprüfung"});
    EXPECT_EQ(st().SelectedSignal, -1);
    // The program goes on.
    click(control<QPushButton>(w, "Button1"));
    EXPECT_EQ(st().SelectedSignal, 0);
}

TEST_F(WindowTest, ClickAtALanesCentreSelectsIt)
{
    for (int i = 0; i < 4; ++i)
        click(control<QPushButton>(w, "Button1"));
    typeInto(control<QLineEdit>(w, "Freq"), "777"); // signal 3's pending text is committed by the click
    QTest::mouseClick(control<PaintBox>(w, "SinusBox"), Qt::LeftButton, {}, QPoint(20, laneCentre(1, 4)));
    EXPECT_EQ(st().SelectedSignal, 1);
    EXPECT_EQ(rec(3).Freq, "777");
    EXPECT_EQ(control<QLineEdit>(w, "Freq")->text(), "1");
    QTest::mouseClick(control<PaintBox>(w, "SinusBox"), Qt::RightButton, {}, QPoint(20, laneCentre(2, 4)));
    EXPECT_EQ(st().SelectedSignal, 2);
    QTest::mouseClick(control<PaintBox>(w, "SinusBox"), Qt::LeftButton, {}, QPoint(20, 2));
    EXPECT_EQ(st().SelectedSignal, 0);
}

TEST_F(WindowTest, AmWithTheCarrierDialog)
{
    click(control<QPushButton>(w, "Button1"));
    dialogs.inputAnswers.push_back("10");
    click(control<QRadioButton>(w, "AMSel"));
    ASSERT_EQ(dialogs.inputBoxes.size(), 1u);
    EXPECT_EQ(dialogs.inputBoxes[0].caption, "Trägerfrequenzwahl");
    EXPECT_EQ(rec(0).TabTyp, TypeAM);
    EXPECT_EQ(rec(0).TabPara, 10.0);
    EXPECT_EQ(control<QPushButton>(w, "AmSet")->text(), "10");
    // "Set" asks again with the current multiple.
    dialogs.inputAnswers.push_back("3");
    click(control<QPushButton>(w, "AmSet"));
    ASSERT_EQ(dialogs.inputBoxes.size(), 2u);
    EXPECT_EQ(dialogs.inputBoxes[1].defaultText, "10");
    EXPECT_EQ(control<QPushButton>(w, "AmSet")->text(), "3");
    // A bad multiple: the error box, the signal and its radio button unchanged.
    dialogs.inputAnswers.push_back("drei");
    click(control<QPushButton>(w, "AmSet"));
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{"'drei' ist kein gültiger Gleitkommawert"});
    EXPECT_EQ(rec(0).TabPara, 3.0);
    EXPECT_TRUE(control<QRadioButton>(w, "AMSel")->isChecked());
}

TEST_F(WindowTest, RadioButtonsRetypeTheSelectedSignal)
{
    click(control<QPushButton>(w, "Button1"));
    click(control<QRadioButton>(w, "RechtSel"));
    EXPECT_EQ(rec(0).TabTyp, TypeRechteck);
    click(control<QRadioButton>(w, "MuteSel"));
    EXPECT_EQ(rec(0).TabTyp, TypeMute);
    EXPECT_EQ(rec(0).Table[16384], 32500); // still the rectangle
    click(control<QPushButton>(w, "Button1"));
    EXPECT_TRUE(control<QRadioButton>(w, "SinusSel")->isChecked());
    QTest::mouseClick(control<PaintBox>(w, "SinusBox"), Qt::LeftButton, {}, QPoint(20, laneCentre(0, 2)));
    EXPECT_TRUE(control<QRadioButton>(w, "MuteSel")->isChecked());
}

TEST_F(WindowTest, EnterCommitsTwiceForALocalField)
{
    click(control<QPushButton>(w, "Button1"));
    typeInto(control<QLineEdit>(w, "Freq"), "200000");
    enter(control<QLineEdit>(w, "Freq"));
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"Parameter Frequenz ist außerhalb des zulässigen Bereichs!",
                                                         "Parameter Frequenz ist außerhalb des zulässigen Bereichs!"}));
    EXPECT_EQ(control<QLineEdit>(w, "Freq")->text(), "100000");
    EXPECT_EQ(rec(0).Freq, "100000");
}

TEST_F(WindowTest, FinalAttenuationTenBecomesNineSeventyFive)
{
    typeInto(control<QLineEdit>(w, "EndDamp"), "10");
    enter(control<QLineEdit>(w, "EndDamp"));
    EXPECT_EQ(control<QLineEdit>(w, "EndDamp")->text(), "9,75");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(WindowTest, LeavingAnEditCommits)
{
    click(control<QPushButton>(w, "Button1"));
    typeInto(control<QLineEdit>(w, "Phase"), "45,5");
    QTest::keyClick(control<QLineEdit>(w, "Phase"), Qt::Key_Tab);
    EXPECT_EQ(rec(0).Phase, "45,5");
    typeInto(control<QLineEdit>(w, "Signaldauer"), "2000,004");
    click(control<QCheckBox>(w, "TypCheck")); // a display check box commits too
    EXPECT_EQ(control<QLineEdit>(w, "Signaldauer")->text(), "2000");
    EXPECT_FALSE(control<QCheckBox>(w, "TypCheck")->isChecked());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(WindowTest, TheDisplayShowsTheSetAndTheSelectedLaneInYellow)
{
    click(control<QPushButton>(w, "Button1"));
    click(control<QPushButton>(w, "Button1"));
    const QImage img = control<PaintBox>(w, "SinusBox")->grab().toImage();
    const int W = control<PaintBox>(w, "SinusBox")->width();
    EXPECT_EQ(img.pixelColor(W / 2, 0), QColor(255, 0, 0));                    // red frame
    EXPECT_EQ(img.pixelColor(W - 5, 40), QColor(0, 0, 0));                     // black box
    EXPECT_EQ(img.pixelColor(W - 5, laneCentre(0, 2)), QColor(255, 255, 255)); // lane 0 white
    EXPECT_EQ(img.pixelColor(W - 5, laneCentre(1, 2)), QColor(255, 255, 0));   // lane 1 selected
    const int trigger = static_cast<int>(std::lround(100.0 * W / 1000));
    EXPECT_EQ(img.pixelColor(trigger, 10), QColor(0, 0, 255));
}

TEST_F(WindowTest, PaintingNeverOpensABox)
{
    click(control<QPushButton>(w, "Button1"));
    rec(0).Start = "weg";
    control<PaintBox>(w, "SinusBox")->repaint();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(control<QLabel>(w, "StatusPanel0")->text(), "WEG ist kein gültiger Wert!");
}

TEST_F(WindowTest, ProjectSavedAndLoadedThroughTheMenu)
{
    const std::string file =
        (std::filesystem::temp_directory_path() / ("tonvera-ui-" + std::to_string(::getpid()) + ".tva")).string();
    click(control<QPushButton>(w, "Button1"));
    typeInto(control<QLineEdit>(w, "Freq"), "440");
    enter(control<QLineEdit>(w, "Freq"));
    dialogs.fileAnswers.push_back(file);
    control<QAction>(w, "Speichern1")->trigger();
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_TRUE(dialogs.fileRequests[0].save);
    EXPECT_EQ(dialogs.fileRequests[0].filter, "Tonvera Dateien (*.tva)| *.tva|Alle Dateien (*.*)|*.*");
    EXPECT_EQ(dialogs.fileRequests[0].initialName, "default.tva");

    control<QAction>(w, "Neu1")->trigger();
    EXPECT_EQ(w.form().SignalCount(), 0);
    dialogs.fileAnswers.push_back(file);
    control<QAction>(w, "Laden1")->trigger();
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(dialogs.fileRequests[1].filter, "Tonvera Dateien (*.tva)|*.tva|Alle Dateien (*.*)|*.*");
    EXPECT_EQ(w.form().SignalCount(), 1);
    EXPECT_EQ(rec(0).Freq, "440");
    EXPECT_EQ(control<QLineEdit>(w, "Freq")->text(), "440");
    EXPECT_TRUE(control<QLineEdit>(w, "Freq")->isEnabled());
    std::filesystem::remove(file);

    // A file that is not there: the files layer's message, the state stays.
    dialogs.fileAnswers.push_back(file);
    control<QAction>(w, "Laden1")->trigger();
    EXPECT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(rec(0).Freq, "440");
}

TEST_F(WindowTest, StartAndStopDriveTheRunControl)
{
    click(control<QPushButton>(w, "Button1"));
    click(control<QPushButton>(w, "StartButton"));
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_TRUE(w.device().Running);
    EXPECT_TRUE(control<QTimer>(w, "Timer1")->isActive());
    click(control<QPushButton>(w, "Button4"));
    EXPECT_FALSE(w.device().Running);
}

TEST_F(WindowTest, VersionAndNeu)
{
    control<QAction>(w, "Version1")->trigger();
    EXPECT_EQ(dialogs.messages, (std::vector<RecordingDialogs::Message>{{"Softwareversion\r0.8 Alpha", "Tonvera"}}));
    click(control<QPushButton>(w, "Button1"));
    control<QCheckBox>(w, "Repeated")->setChecked(true);
    control<QAction>(w, "Neu1")->trigger();
    EXPECT_EQ(w.form().SignalCount(), 0);
    EXPECT_FALSE(control<QCheckBox>(w, "Repeated")->isChecked());
    EXPECT_FALSE(control<QLineEdit>(w, "Freq")->isEnabled());
}

TEST_F(WindowTest, ExternStartSwitchesThePollingOnWithoutRestartingIt)
{
    EXPECT_FALSE(control<QTimer>(w, "Timer1")->isActive());
    click(control<QCheckBox>(w, "ExternStart"));
    EXPECT_TRUE(control<QTimer>(w, "Timer1")->isActive());
    // No event is processed meanwhile, so the timer cannot fire: 25 of its
    // 50 ms are gone, and checking the box again must not start them anew.
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    control<QCheckBox>(w, "ExternStart")->click(); // clearing leaves it running
    EXPECT_TRUE(control<QTimer>(w, "Timer1")->isActive());
    control<QCheckBox>(w, "ExternStart")->click();
    EXPECT_LE(control<QTimer>(w, "Timer1")->remainingTime(), 30);
}

TEST_F(WindowTest, TimerTicksRunTheRunControlAlsoInsideOtherCommands)
{
    // With "Externes Starten" and no device every status reads 0, which is
    // the active input level by default: a tick starts the run, also while
    // another command waits in an editor or a box.
    click(control<QPushButton>(w, "Button1"));
    control<QCheckBox>(w, "ExternStart")->setChecked(true);
    w.command([&] { w.Timer1Timer(); });
    EXPECT_TRUE(w.device().Running);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(WindowTicks, AFailedTickHoldsTheNextOneWhileItsErrorBoxIsOpen)
{
    struct TickingDialogs : RecordingDialogs {
        MainWindow* w = nullptr;
        void errorBox(const std::string& text) override
        {
            RecordingDialogs::errorBox(text);
            if (errors.size() < 3)
                w->Timer1Timer(); // the timer fires while the box is open
        }
    } dialogs;
    MainWindow w(&dialogs);
    dialogs.w = &w;
    control<QPushButton>(w, "Button1")->click();
    control<QLineEdit>(w, "AnzWieder")->setText("300"); // a count the device cannot take: Start fails
    control<QCheckBox>(w, "ExternStart")->setChecked(true);
    w.Timer1Timer();
    EXPECT_EQ(dialogs.errors, (std::vector<std::string>{"Fehler bei Bereichsprüfung"}));
    w.Timer1Timer(); // once the box is closed the next tick tries again
    EXPECT_EQ(dialogs.errors.size(), 2u);
}

TEST(AppWindowsTest, SevenWindowsAndTheHardwareCommand)
{
    RecordingDialogs dialogs;
    AppWindows windows = CreateWindows(&dialogs);
    MainWindow& m = *windows.MainForm;
    EXPECT_EQ(m.windowTitle(), "Tonvera");
    EXPECT_EQ(windows.HardInit->windowTitle(), "Hardware initialisieren");
    EXPECT_EQ(windows.Block->windowTitle(), "Block");
    EXPECT_EQ(windows.Variablen->windowTitle(), "Variablen");
    EXPECT_EQ(windows.SimWin->windowTitle(), "Simulationsergebnis");
    EXPECT_EQ(windows.EichForm->windowTitle(), "Eichdaten Eingabe");
    EXPECT_EQ(windows.Verschiedenes->windowTitle(), "Verschiedenes");
    EXPECT_EQ(windows.Kalibrierassistent->windowTitle(), "Kalibrierassistent");
    EXPECT_EQ(control<QLabel>(m, "StatusPanel2")->text(), "");
    EXPECT_EQ(control<QLabel>(m, "StatusPanel3")->text(), "");
    EXPECT_EQ(control<QLabel>(m, "StatusPanel1")->text(), "Hardware nicht initialisiert");
    // Created in this order, after the main window's start-up.
    QList<QDialog*> order;
    for (QObject* c : m.children())
        if (auto* d = qobject_cast<QDialog*>(c))
            order << d;
    // The calibration assistant and the preview, which the program has
    // beyond these, come last.
    ASSERT_EQ(order.size(), 8);
    EXPECT_EQ(order.mid(0, 7), (QList<QDialog*>{windows.HardInit, windows.Block, windows.Variablen, windows.SimWin,
                                                windows.EichForm, windows.Verschiedenes, windows.Kalibrierassistent}));
    EXPECT_EQ(order.back()->objectName(), "Vorschau");
    m.show();

    // A port that cannot be opened: the error, the dialog stays and is left
    // with Escape; polling is on again afterwards.
    bool timerWhileOpen = true;
    bool openAfterError = false;
    QTimer::singleShot(0, [&] {
        timerWhileOpen = control<QTimer>(m, "Timer1")->isActive();
        control<QComboBox>(*windows.HardInit, "ComSel")->setEditText("/nirgends/ttyUSB9");
        QTest::mouseClick(control<QPushButton>(*windows.HardInit, "Button4"), Qt::LeftButton);
        openAfterError = windows.HardInit->isVisible();
        QTest::keyClick(windows.HardInit, Qt::Key_Escape);
    });
    control<QAction>(m, "Hardware1")->trigger();
    EXPECT_FALSE(timerWhileOpen);
    EXPECT_TRUE(openAfterError);
    EXPECT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(control<QTimer>(m, "Timer1")->isActive());
    EXPECT_FALSE(m.line().isOpen());

    // The other windows are shown by their commands and can be closed.
    for (QDialog* d : {windows.Block, windows.Variablen, windows.EichForm, windows.Verschiedenes}) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            shown = d->isVisible();
            d->reject();
        });
        if (d == windows.Block)
            control<QAction>(m, "Blockschaltbild1")->trigger();
        else if (d == windows.Variablen)
            control<QAction>(m, "NeueVariable1")->trigger();
        else if (d == windows.EichForm)
            control<QAction>(m, "Eichung")->trigger();
        else
            control<QAction>(m, "Verschiedenes1")->trigger();
        EXPECT_TRUE(shown) << d->windowTitle().toStdString();
    }
    EXPECT_EQ(dialogs.errors.size(), 1u);
    // Without variables the simulation says so instead of opening.
    control<QPushButton>(m, "Button7")->click();
    EXPECT_FALSE(windows.SimWin->isVisible());
    EXPECT_EQ(dialogs.messages.size(), 1u);

    control<QAction>(m, "Beenden1")->trigger();
    EXPECT_FALSE(m.isVisible());
    EXPECT_FALSE(m.line().isOpen());
}
