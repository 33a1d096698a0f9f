// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's regions, captions and the places of the parameter edits.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
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

#include "model/Canvas.h"
#include "model/SignalDisplay.h"
#include "ui/ControlLookup.h"
#include "ui/LayoutChecks.h"
#include "ui/MainWindow.h"
#include "ui/PaintBox.h"

using namespace tonvera;
using tonvera::test::control;
using tonvera::test::ExpectNamedControlsApart;

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

// Where the painted labels land, measured as the window's painter measures.
struct MeasuringCanvas : Canvas {
    explicit MeasuringCanvas(const QFont& font) : metrics(font) {}
    QFontMetrics metrics;
    std::vector<std::pair<std::string, QRect>> texts;

    void setPenColor(Color) override {}
    void setBrushColor(Color) override {}
    void setFontColor(Color) override {}
    void rectangle(int, int, int, int) override {}
    void moveTo(int, int) override {}
    void lineTo(int, int) override {}
    void setPixel(int, int, Color) override {}
    void textOut(int x, int y, const std::string& text) override
    {
        texts.emplace_back(text, QRect(x, y, textWidth(text), textHeight(text)));
    }
    int textWidth(const std::string& text) override { return metrics.horizontalAdvance(QString::fromStdString(text)); }
    int textHeight(const std::string&) override { return metrics.height(); }
};

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
                               "  ",
                               "  &Protokoll...",
                               "  Protokollordner &öffnen",
                               "Kalibrierung",
                               "  Kalibrierassistent...",
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

    const std::pair<const char*, QString> buttons[] = {{"Button1", "&Neues Signal"},   {"Button9", "Signal kopieren"},
                                                       {"Button2", "Signal &löschen"}, {"Button7", "S&imulieren"},
                                                       {"StartButton", "S&tart"},      {"Button4", "Sto&p"}};
    for (const auto& [name, caption] : buttons)
        EXPECT_EQ(control<QPushButton>(w, name)->text(), caption);
    // Every caption fits its button, the narrow ones beside the variable
    // position included.
    for (QPushButton* b : w.centralWidget()->findChildren<QPushButton*>())
        EXPECT_LT(b->fontMetrics().horizontalAdvance(b->text().remove('&')), b->width())
            << b->objectName().toStdString();

    EXPECT_EQ(control<QLabel>(w, "StatusPanel0")->text(), "Status");
    EXPECT_EQ(control<QLabel>(w, "StatusPanel1")->text(), "Hardware nicht initialisiert");
    EXPECT_EQ(control<QLabel>(w, "StatusPanel0")->width(), 200);
    EXPECT_EQ(control<QLabel>(w, "StatusPanel1")->width(), 250);
    EXPECT_EQ(control<QLabel>(w, "StatusPanel2")->width(), 200);
    EXPECT_EQ(control<QTimer>(w, "Timer1")->interval(), 50);
    EXPECT_FALSE(control<QTimer>(w, "Timer1")->isActive());
}

TEST(WindowLayout, LabelsAndControlsOfAPanelLeaveEachOtherRoom)
{
    MainWindow w;
    w.show();
    QApplication::processEvents();
    auto* local = control<PaintBox>(w, "ParPan");
    auto* global = control<PaintBox>(w, "Panel2");
    const auto edits = w.parameterEdits(); // seven local ones, then EndDamp, Signaldauer, Triggerstart, Triggerstop
    for (std::size_t i = 0; i < edits.size(); ++i) {
        QLineEdit* e = edits[i];
        const std::string name = e->objectName().toStdString();
        EXPECT_EQ(e->parentWidget(), i < 7 ? local : global) << name;
        EXPECT_TRUE(e->parentWidget()->rect().contains(e->geometry())) << name;
        // The painted labels are placed for an edit 20 pixels high.
        EXPECT_EQ(e->height(), 20) << name;
    }

    // Each display check box (StartCheck ...) stands just left of its edit
    // (Start ...), on its line.
    const auto checks = w.displayChecks();
    for (std::size_t i = 0; i < 7; ++i) {
        const QString name = checks[i]->objectName();
        const QRect c = checks[i]->geometry();
        const QRect e = control<QLineEdit>(w, name.chopped(5).toUtf8().constData())->geometry();
        EXPECT_EQ(checks[i]->parentWidget(), local) << name.toStdString();
        EXPECT_LT(c.right(), e.left()) << name.toStdString();
        EXPECT_LT(e.left() - c.right(), 24) << name.toStdString();
        EXPECT_TRUE(c.top() <= e.center().y() && e.center().y() <= c.bottom()) << name.toStdString();
    }

    // The labels as the panels paint them, measured in the window's font:
    // inside their panel, clear of every control and of each other.
    for (PaintBox* panel : {local, global}) {
        MeasuringCanvas canvas(w.font());
        const auto place = [](QLineEdit* e) { return EditPlace{e->x(), e->y(), e->width()}; };
        if (panel == local)
            MainDisplay::ParInfoPaint(canvas, {place(edits[0]), place(edits[1]), place(edits[2]), place(edits[3]),
                                               place(edits[4]), place(edits[5]), place(edits[6])});
        else
            MainDisplay::IconPaintPaint(canvas, {place(edits[7]), place(edits[8]), place(edits[9]), place(edits[10])});
        ASSERT_FALSE(canvas.texts.empty());
        QList<QWidget*> controls;
        for (QWidget* c : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            controls << c;
        for (std::size_t i = 0; i < canvas.texts.size(); ++i) {
            const auto& [text, r] = canvas.texts[i];
            EXPECT_TRUE(panel->rect().contains(r)) << text;
            for (QWidget* c : controls)
                EXPECT_FALSE(r.intersects(c->geometry())) << text << " over " << c->objectName().toStdString();
            for (std::size_t j = i + 1; j < canvas.texts.size(); ++j)
                EXPECT_FALSE(r.intersects(canvas.texts[j].second)) << text << " over " << canvas.texts[j].first;
        }
    }
    // Every panel in the window, and every control in its panel or group.
    ExpectNamedControlsApart(*w.centralWidget());

    for (QCheckBox* c : checks)
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
