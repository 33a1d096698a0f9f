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

#include "ui/MainWindow.h"
#include "ui/PaintBox.h"

using namespace tonvera;

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
                               "&Bearbeiten",
                               "  &Rückgängig",
                               "  &Wiederherstellen",
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
    EXPECT_EQ(w.Panel2->height(), 70);
    EXPECT_EQ(w.ParPan->height(), 140);
    EXPECT_EQ(w.findChild<QWidget*>("pnBottom")->height(), 41);
    EXPECT_EQ(w.Panel5->width(), 164);
    EXPECT_GE(w.SinusBox->height(), 260);
    // A 5-pixel border around the display inside its panel.
    EXPECT_EQ(w.SinusBox->geometry(), w.Panel3->rect().adjusted(5, 5, -5, -5));

    const QStringList buttons{"&Neues Signal", "Signal kopieren", "Signal &löschen", "S&imulieren", "S&tart", "Sto&p"};
    const QList<QPushButton*> bs{w.Button1, w.Button9, w.Button2, w.Button7, w.StartButton, w.Button4};
    for (int i = 0; i < bs.size(); ++i)
        EXPECT_EQ(bs[i]->text(), buttons[i]);

    EXPECT_EQ(w.StatusPanel[0]->text(), "Status");
    EXPECT_EQ(w.StatusPanel[1]->text(), "Hardware nicht initialisiert");
    EXPECT_EQ(w.StatusPanel[0]->width(), 200);
    EXPECT_EQ(w.StatusPanel[1]->width(), 250);
    EXPECT_EQ(w.StatusPanel[2]->width(), 200);
    EXPECT_EQ(w.Timer1->interval(), 50);
    EXPECT_FALSE(w.Timer1->isActive());
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
        {w.Start, w.ParPan, {32, 56, 65, 20}},         {w.RampUp, w.ParPan, {168, 56, 65, 20}},
        {w.Freq, w.ParPan, {296, 24, 65, 20}},         {w.Phase, w.ParPan, {296, 96, 49, 20}},
        {w.Stop, w.ParPan, {456, 24, 65, 20}},         {w.Ampl, w.ParPan, {456, 96, 65, 20}},
        {w.RampDown, w.ParPan, {608, 56, 65, 20}},     {w.Signaldauer, w.Panel2, {241, 22, 49, 20}},
        {w.Triggerstart, w.Panel2, {353, 22, 49, 20}}, {w.Triggerstop, w.Panel2, {465, 22, 49, 20}},
        {w.EndDamp, w.Panel2, {569, 22, 49, 20}},
    };
    for (const auto& p : places) {
        EXPECT_EQ(p.edit->parentWidget(), p.panel) << p.edit->objectName().toStdString();
        EXPECT_EQ(p.edit->geometry(), p.rect) << p.edit->objectName().toStdString();
    }
    EXPECT_EQ(w.StartCheck->pos(), QPoint(8, 59));
    EXPECT_EQ(w.AmplCheck->pos(), QPoint(432, 99));
    for (QCheckBox* c : w.displayChecks())
        EXPECT_TRUE(c->isChecked());
    EXPECT_EQ(w.TypCheck->parentWidget(), w.TypGroup);
    EXPECT_EQ(w.Triggerstart->palette().color(QPalette::Base), QColor(0, 0, 255));
    EXPECT_EQ(w.Triggerstop->palette().color(QPalette::Base), QColor(128, 0, 128));
    EXPECT_EQ(w.Triggerstop->palette().color(QPalette::Text), QColor(255, 255, 255));
}

TEST(WindowLayout, OutputOptionsAndSignalTypes)
{
    MainWindow w;
    EXPECT_EQ(w.Repeated->text(), "Unendlich");
    EXPECT_EQ(w.ExternStart->text(), "Externes Starten");
    EXPECT_EQ(w.PrioGroup->title(), "Priorität");
    EXPECT_EQ(w.Wiederzuerst->text(), "Wieder.->Variablen");
    EXPECT_TRUE(w.Wiederzuerst->isChecked());
    EXPECT_EQ(w.Variablezuerst->text(), "Variablen->Wieder.");
    EXPECT_EQ(w.VarGroup->title(), "Variablen");
    EXPECT_EQ(w.varcheck->text(), "Durchlaufen");
    EXPECT_EQ(w.Button5->text(), "<<");
    EXPECT_EQ(w.Button6->text(), ">>");
    EXPECT_EQ(w.AktVar->text(), "1");
    EXPECT_EQ(w.AnzWieder->text(), "1");
    EXPECT_EQ(w.TypGroup->title(), "Signaltyp");
    const QStringList types{"Sinus", "Sinus (geeicht)", "AM", "Rechteck", "Rauschen", "Mute"};
    const QList<QRadioButton*> rs{w.SinusSel, w.SinusEichSel, w.AMSel, w.RechtSel, w.RauschenSel, w.MuteSel};
    for (int i = 0; i < rs.size(); ++i) {
        EXPECT_EQ(rs[i]->text(), types[i]);
        EXPECT_EQ(rs[i]->parentWidget(), w.TypGroup);
    }
    EXPECT_EQ(w.AmSet->text(), "Set");
}

TEST(WindowLayout, ExtraRoomGoesToTheSignalDisplay)
{
    MainWindow w;
    w.show();
    QApplication::processEvents();
    const QSize before = w.SinusBox->size();
    w.resize(1215, 802);
    QApplication::processEvents();
    EXPECT_EQ(w.SinusBox->width(), before.width() + 300);
    EXPECT_EQ(w.SinusBox->height(), before.height() + 200);
    EXPECT_EQ(w.ParPan->height(), 140);
    EXPECT_EQ(w.Panel5->width(), 164);
    // The type group follows the right edge.
    EXPECT_EQ(w.TypGroup->geometry().right(), w.ParPan->width() - 8 - 1);
}
