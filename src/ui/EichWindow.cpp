// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FixedDialog.h"
#include "ui/EichWindow.h"

#include <QFontDatabase>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>

#include "run/CommandGuard.h"
#include "ui/PaintBox.h"
#include "ui/QtCanvas.h"
#include "ui/Named.h"

namespace tonvera {

namespace {

// The window's size as designed.
constexpr int ClientWidth = 490;
constexpr int ClientHeight = 238;

} // namespace

namespace {

// The lines line up by their blanks, so list and plot use a fixed-pitch
// font, small like the terminal font of the device's earlier tools.
QFont fixedFont(bool bold)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPixelSize(11);
    f.setBold(bold);
    return f;
}

} // namespace

EichWindow::EichWindow(Dialogs& dialogs, CommandGuard& guard, QWidget* parent)
    : QDialog(parent), guard_(guard), core_(dialogs)
{
    SetUpFixedDialog(*this, "EichForm", "Eichdaten Eingabe", ClientWidth, ClientHeight);

    Panel1 = Named<QWidget>("Panel1", this);
    Panel1->setGeometry(ClientWidth - 290, 0, 290, ClientHeight);
    EichPaint = Named<PaintBox>("EichPaint", Panel1);
    EichPaint->setGeometry(5, 5, 290 - 10, ClientHeight - 10);
    EichPaint->setFont(fixedFont(false));

    Panel2 = Named<QWidget>("Panel2", this);
    Panel2->setGeometry(0, 0, ClientWidth - 290, ClientHeight);
    const int inner = Panel2->width() - 10;
    Button1 = Named<QPushButton>("Button1", "Punkt hinzufügen", Panel2);
    Button1->setGeometry(5, 5, inner, 28);
    Button1->setAutoDefault(false);
    Button2 = Named<QPushButton>("Button2", "Punkt löschen", Panel2);
    Button2->setGeometry(5, 37, inner, 28);
    Button2->setAutoDefault(false);
    EichListBox = Named<QListWidget>("EichListBox", Panel2);
    EichListBox->setGeometry(5, ClientHeight - 5 - 160, inner, 160);
    EichListBox->setFont(fixedFont(true));
    EichListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    EichListBox->setSortingEnabled(false); // the core keeps the order

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    EichPaint->onPaint = [this](QPainter& p) { EichPaintPaint(p); };
    core_.Redraw = [this] { EichPaint->update(); };
    core_.ListChanged = [this] { coreToList(); };
    core_.ShowModal = [this] {
        EichPaint->update();
        exec();
    };
}

void EichWindow::EditEichTable(EichTable& table) { core_.EditEichTable(table); }

void EichWindow::Button1Click()
{
    guard_.run([this] { core_.Button1Click(); });
}

void EichWindow::Button2Click()
{
    guard_.run([this] {
        selectionToCore();
        core_.Button2Click();
    });
}

void EichWindow::coreToList()
{
    const QSignalBlocker block(EichListBox);
    EichListBox->clear();
    int selected = -1;
    for (const EichEditor::Line& line : core_.Lines()) {
        EichListBox->addItem(QString::fromStdString(line.text));
        if (line.selected)
            selected = EichListBox->count() - 1;
    }
    if (selected >= 0)
        EichListBox->setCurrentRow(selected);
}

void EichWindow::selectionToCore()
{
    int selected = -1;
    for (int i = 0; i < EichListBox->count(); ++i)
        if (EichListBox->item(i)->isSelected())
            selected = i;
    if (selected < static_cast<int>(core_.Lines().size()))
        core_.Select(selected);
}

void EichWindow::EichPaintPaint(QPainter& painter)
{
    const QColor background = palette().color(QPalette::Window);
    QtCanvas canvas(painter, background, Qt::black);
    const Color bg{background.red(), background.green(), background.blue()};
    // Rebuilding the table from lines the editor wrote cannot fail; should
    // it ever, the plot stays empty rather than opening a box in a paint.
    try {
        core_.DrawEichPlot(canvas, EichPaint->width(), EichPaint->height(), bg);
    } catch (const std::exception&) {
    }
}

} // namespace tonvera
