// The main window's regions, captions and the places of the parameter edits.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <gtest/gtest.h>

#include "ui/ControlLookup.h"
#include "ui/MainWindow.h"
#include "ui/PaintBox.h"

using namespace tonvera;
using tonvera::test::control;

namespace {

QStringList menuCaptions(QMenuBar* bar)
{
    QStringList out;
    for (QAction* top : bar->actions()) {
        out << top->text();
        for (QAction* a : top->menu()->actions())
            out << "  " + a->text();
    }
    return out;
}

} // namespace

TEST(WindowLayout, MenuHasEveryItemWithItsCaption)
{
    MainWindow w;
    const QStringList expected{"&Datei",
                               "  &Neu",
                               "  &Laden",
                               "  &Speichern",
                               "  &Drucken",
                               "  &Beenden",
                               "&Variablen",
                               "  &Konfigurieren",
                               "&Einstellungen",
                               "  &Hardware",
                               "  &Verschiedenes",
                               "  &Kalibrierung",
                               "  Kalibrierdaten &speichern",
                               "  Kalibrierdaten &laden",
                               "Hilfe",
                               "  Version",
                               "  Blockschaltbild"};
    EXPECT_EQ(menuCaptions(w.menuBar()), expected);
}

TEST(WindowLayout, RegionsAtDesignSize)
{
    MainWindow w;
    w.show();
    QApplication::processEvents();
    EXPECT_EQ(w.size(), QSize(915, 602));
    EXPECT_EQ(w.windowTitle(), "Tonvera");
    EXPECT_EQ(control<PaintBox>(w, "Panel2")->height(), 70);
    EXPECT_EQ(control<PaintBox>(w, "ParPan")->height(), 140);
    EXPECT_EQ(w.findChild<QWidget*>("pnBottom")->height(), 41);
    EXPECT_EQ(control<QWidget>(w, "Panel5")->width(), 164);
    EXPECT_GE(control<PaintBox>(w, "SinusBox")->height(), 260);
    // A 5-pixel border around the display inside its panel.
    EXPECT_EQ(control<PaintBox>(w, "SinusBox")->geometry(),
              control<QWidget>(w, "Panel3")->rect().adjusted(5, 5, -5, -5));

    const QStringList buttons{"&Neues Signal", "Signal kopieren", "Signal &löschen", "S&imulieren", "S&tart", "Sto&p"};
    const QList<QPushButton*> bs{control<QPushButton>(w, "Button1"),     control<QPushButton>(w, "Button9"),
                                 control<QPushButton>(w, "Button2"),     control<QPushButton>(w, "Button7"),
                                 control<QPushButton>(w, "StartButton"), control<QPushButton>(w, "Button4")};
    for (int i = 0; i < bs.size(); ++i)
        EXPECT_EQ(bs[i]->text(), buttons[i]);

    EXPECT_EQ(control<QLabel>(w, "StatusPanel0")->text(), "Status");
    EXPECT_EQ(control<QLabel>(w, "StatusPanel1")->text(), "Hardware nicht initialisiert");
    EXPECT_EQ(control<QLabel>(w, "StatusPanel0")->width(), 200);
    EXPECT_EQ(control<QLabel>(w, "StatusPanel1")->width(), 250);
    EXPECT_EQ(control<QLabel>(w, "StatusPanel2")->width(), 200);
    EXPECT_EQ(control<QTimer>(w, "Timer1")->interval(), 50);
    EXPECT_FALSE(control<QTimer>(w, "Timer1")->isActive());
}

TEST(WindowLayout, EditsStandWhereTheLabelsExpectThem)
{
    MainWindow w;
    struct Place {
        QLineEdit* edit;
        QWidget* panel;
        QRect rect;
    };
    const Place places[] = {
        {control<QLineEdit>(w, "Start"), control<PaintBox>(w, "ParPan"), {32, 56, 65, 20}},
        {control<QLineEdit>(w, "RampUp"), control<PaintBox>(w, "ParPan"), {168, 56, 65, 20}},
        {control<QLineEdit>(w, "Freq"), control<PaintBox>(w, "ParPan"), {296, 24, 65, 20}},
        {control<QLineEdit>(w, "Phase"), control<PaintBox>(w, "ParPan"), {296, 96, 49, 20}},
        {control<QLineEdit>(w, "Stop"), control<PaintBox>(w, "ParPan"), {456, 24, 65, 20}},
        {control<QLineEdit>(w, "Ampl"), control<PaintBox>(w, "ParPan"), {456, 96, 65, 20}},
        {control<QLineEdit>(w, "RampDown"), control<PaintBox>(w, "ParPan"), {608, 56, 65, 20}},
        {control<QLineEdit>(w, "Signaldauer"), control<PaintBox>(w, "Panel2"), {241, 22, 49, 20}},
        {control<QLineEdit>(w, "Triggerstart"), control<PaintBox>(w, "Panel2"), {353, 22, 49, 20}},
        {control<QLineEdit>(w, "Triggerstop"), control<PaintBox>(w, "Panel2"), {465, 22, 49, 20}},
        {control<QLineEdit>(w, "EndDamp"), control<PaintBox>(w, "Panel2"), {569, 22, 49, 20}},
    };
    for (const auto& p : places) {
        EXPECT_EQ(p.edit->parentWidget(), p.panel) << p.edit->objectName().toStdString();
        EXPECT_EQ(p.edit->geometry(), p.rect) << p.edit->objectName().toStdString();
    }
    EXPECT_EQ(control<QCheckBox>(w, "StartCheck")->pos(), QPoint(8, 59));
    EXPECT_EQ(control<QCheckBox>(w, "AmplCheck")->pos(), QPoint(432, 99));
    for (QCheckBox* c : w.displayChecks())
        EXPECT_TRUE(c->isChecked());
    EXPECT_EQ(control<QCheckBox>(w, "TypCheck")->parentWidget(), control<QGroupBox>(w, "TypGroup"));
    EXPECT_EQ(control<QLineEdit>(w, "Triggerstart")->palette().color(QPalette::Base), QColor(0, 0, 255));
    EXPECT_EQ(control<QLineEdit>(w, "Triggerstop")->palette().color(QPalette::Base), QColor(128, 0, 128));
    EXPECT_EQ(control<QLineEdit>(w, "Triggerstop")->palette().color(QPalette::Text), QColor(255, 255, 255));
}

TEST(WindowLayout, OutputOptionsAndSignalTypes)
{
    MainWindow w;
    EXPECT_EQ(control<QCheckBox>(w, "Repeated")->text(), "Unendlich");
    EXPECT_EQ(control<QCheckBox>(w, "ExternStart")->text(), "Externes Starten");
    EXPECT_EQ(control<QGroupBox>(w, "PrioGroup")->title(), "Priorität");
    EXPECT_EQ(control<QRadioButton>(w, "Wiederzuerst")->text(), "Wieder.->Variablen");
    EXPECT_TRUE(control<QRadioButton>(w, "Wiederzuerst")->isChecked());
    EXPECT_EQ(control<QRadioButton>(w, "Variablezuerst")->text(), "Variablen->Wieder.");
    EXPECT_EQ(control<QGroupBox>(w, "VarGroup")->title(), "Variablen");
    EXPECT_EQ(control<QCheckBox>(w, "varcheck")->text(), "Durchlaufen");
    EXPECT_EQ(control<QPushButton>(w, "Button5")->text(), "<<");
    EXPECT_EQ(control<QPushButton>(w, "Button6")->text(), ">>");
    EXPECT_EQ(control<QLabel>(w, "AktVar")->text(), "1");
    EXPECT_EQ(control<QLineEdit>(w, "AnzWieder")->text(), "1");
    EXPECT_EQ(control<QGroupBox>(w, "TypGroup")->title(), "Signaltyp");
    const QStringList types{"Sinus", "Sinus (geeicht)", "AM", "Rechteck", "Rauschen", "Mute"};
    const QList<QRadioButton*> rs{control<QRadioButton>(w, "SinusSel"),    control<QRadioButton>(w, "SinusEichSel"),
                                  control<QRadioButton>(w, "AMSel"),       control<QRadioButton>(w, "RechtSel"),
                                  control<QRadioButton>(w, "RauschenSel"), control<QRadioButton>(w, "MuteSel")};
    for (int i = 0; i < rs.size(); ++i) {
        EXPECT_EQ(rs[i]->text(), types[i]);
        EXPECT_EQ(rs[i]->parentWidget(), control<QGroupBox>(w, "TypGroup"));
    }
    EXPECT_EQ(control<QPushButton>(w, "AmSet")->text(), "Set");
}

TEST(WindowLayout, ExtraRoomGoesToTheSignalDisplay)
{
    MainWindow w;
    w.show();
    QApplication::processEvents();
    const QSize before = control<PaintBox>(w, "SinusBox")->size();
    w.resize(1215, 802);
    QApplication::processEvents();
    EXPECT_EQ(control<PaintBox>(w, "SinusBox")->width(), before.width() + 300);
    EXPECT_EQ(control<PaintBox>(w, "SinusBox")->height(), before.height() + 200);
    EXPECT_EQ(control<PaintBox>(w, "ParPan")->height(), 140);
    EXPECT_EQ(control<QWidget>(w, "Panel5")->width(), 164);
    // The type group follows the right edge.
    EXPECT_EQ(control<QGroupBox>(w, "TypGroup")->geometry().right(), control<PaintBox>(w, "ParPan")->width() - 8 - 1);
}
