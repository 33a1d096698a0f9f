// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SimWindow.h"

#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QVBoxLayout>

#include "run/CommandGuard.h"
#include "ui/PaintBox.h"
#include "ui/QtCanvas.h"
#include "ui/Named.h"

namespace tonvera {

namespace {

// The window's size as designed.
constexpr int DesignWidth = 696;
constexpr int DesignHeight = 480;

} // namespace

char LocaleDecimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    if (point.size() == 1 && point.at(0).unicode() < 128)
        return static_cast<char>(point.at(0).unicode());
    return ',';
}

SimWindow::SimWindow(std::int32_t& variPos, Dialogs& dialogs, CommandGuard& guard, QWidget* parent)
    : QDialog(parent), guard_(guard), core_(variPos, dialogs, LocaleDecimalSeparator())
{
    setObjectName("SimWin");
    setWindowTitle("Simulationsergebnis");
    setModal(true);
    setSizeGripEnabled(true);
    resize(DesignWidth, DesignHeight);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Panel1 = Named<QWidget>("Panel1", this);
    Panel1->setFixedHeight(41);
    auto* top = new QVBoxLayout(Panel1);
    top->setContentsMargins(8, 3, 8, 3);
    top->setSpacing(1);
    Label1 = Named<QLabel>("Label1", Panel1);
    ProblemLabel = Named<QLabel>("ProblemLabel", Panel1);
    ProblemLabel->setStyleSheet("color: #b00000;");
    top->addWidget(Label1);
    top->addWidget(ProblemLabel);
    column->addWidget(Panel1);

    Panel2 = Named<QWidget>("Panel2", this);
    auto* inner = new QVBoxLayout(Panel2);
    inner->setContentsMargins(5, 5, 5, 5);
    SimPaint = Named<PaintBox>("SimPaint", Panel2);
    inner->addWidget(SimPaint);
    column->addWidget(Panel2, 1);

    SimPaint->onPaint = [this](QPainter& p) { SimPaintPaint(p); };
    core_.ShowModal = [this] {
        showResult();
        exec();
    };
}

void SimWindow::Button7Click(MainForm& form)
{
    guard_.run([this, &form] { core_.Button7Click(form); });
}

void SimWindow::showResult()
{
    Label1->setText(QString::fromStdString(core_.Label1Caption()));
    ProblemLabel->clear();
    SimPaint->update();
}

void SimWindow::SimPaintPaint(QPainter& painter)
{
    QtCanvas canvas(painter, palette().color(QPalette::Window), Qt::black);
    core_.SimPaintPaint(canvas, SimPaint->width(), SimPaint->height());
    QString problems;
    for (const std::string& p : core_.PaintProblems()) {
        if (!problems.isEmpty())
            problems += "; ";
        problems += QString::fromStdString(p);
    }
    // Setting the same text again would only ask for another repaint.
    if (ProblemLabel->text() != problems)
        ProblemLabel->setText(problems);
}

} // namespace tonvera
