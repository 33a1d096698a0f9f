// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the core's view: the core reads and writes the
// controls through these, and the two painted panels draw through the
// toolkit-free display code.
#include "ui/MainWindow.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

#include "model/Errors.h"
#include "model/SignalDisplay.h"
#include "ui/PaintBox.h"
#include "ui/QtCanvas.h"

namespace tonvera {

void MainWindow::paintSignalDisplay(QPainter& p)
{
    p.setFont(font());
    QtCanvas canvas(p, Qt::black, Qt::white);
    Display->SinusBoxPaint(canvas, SinusBox->width(), SinusBox->height());
}

void MainWindow::paintLabels(QPainter& p, bool local)
{
    p.setFont(font());
    QtCanvas canvas(p, palette().color(QPalette::Window), palette().color(QPalette::WindowText));
    auto place = [](QLineEdit* e) { return EditPlace{e->x(), e->y(), e->width()}; };
    if (local)
        MainDisplay::ParInfoPaint(canvas, {place(Freq), place(Phase), place(Ampl), place(Start), place(Stop),
                                           place(RampUp), place(RampDown)});
    else
        MainDisplay::IconPaintPaint(canvas,
                                    {place(EndDamp), place(Signaldauer), place(Triggerstart), place(Triggerstop)});
}

// --- MainView --------------------------------------------------------------------------

QLineEdit* MainWindow::edit(EditField f) const
{
    switch (f) {
    case EditField::Freq: return Freq;
    case EditField::Phase: return Phase;
    case EditField::Ampl: return Ampl;
    case EditField::Start: return Start;
    case EditField::Stop: return Stop;
    case EditField::RampUp: return RampUp;
    case EditField::RampDown: return RampDown;
    case EditField::EndDamp: return EndDamp;
    case EditField::Signaldauer: return Signaldauer;
    case EditField::Triggerstart: return Triggerstart;
    case EditField::Triggerstop: return Triggerstop;
    case EditField::AnzWieder: return AnzWieder;
    }
    throw RangeError();
}

QCheckBox* MainWindow::check(CheckBox b) const
{
    switch (b) {
    case CheckBox::Repeated: return Repeated;
    case CheckBox::varcheck: return varcheck;
    case CheckBox::ExternStart: return ExternStart;
    case CheckBox::StartCheck: return StartCheck;
    case CheckBox::RampUpCheck: return RampUpCheck;
    case CheckBox::FreqCheck: return FreqCheck;
    case CheckBox::PhaseCheck: return PhaseCheck;
    case CheckBox::AmplCheck: return AmplCheck;
    case CheckBox::StopCheck: return StopCheck;
    case CheckBox::RampDownCheck: return RampDownCheck;
    case CheckBox::TypCheck: return TypCheck;
    }
    throw RangeError();
}

std::string MainWindow::editText(EditField field) const { return edit(field)->text().toStdString(); }

void MainWindow::setEditText(EditField field, const std::string& text)
{
    edit(field)->setText(QString::fromStdString(text));
}

void MainWindow::setLocalEditsEnabled(bool enabled)
{
    for (QLineEdit* e : localEdits())
        e->setEnabled(enabled);
}

void MainWindow::focusEdit(EditField field)
{
    QLineEdit* e = edit(field);
    // The focus moves by the command, not by the operator leaving an edit.
    e->setFocus(Qt::OtherFocusReason);
}

int MainWindow::checkedType() const
{
    const std::array<QRadioButton*, 6> rs{SinusSel, SinusEichSel, AMSel, RechtSel, RauschenSel, MuteSel};
    for (int i = 0; i < 6; ++i)
        if (rs[static_cast<std::size_t>(i)]->isChecked())
            return i;
    return -1;
}

void MainWindow::setCheckedType(int typeCode)
{
    const std::array<QRadioButton*, 6> rs{SinusSel, SinusEichSel, AMSel, RechtSel, RauschenSel, MuteSel};
    if (typeCode >= 0 && typeCode < 6)
        rs[static_cast<std::size_t>(typeCode)]->setChecked(true); // no click: the core is not called back
}

bool MainWindow::isChecked(CheckBox box) const { return check(box)->isChecked(); }
void MainWindow::setChecked(CheckBox box, bool checked) { check(box)->setChecked(checked); }

Priority MainWindow::priority() const
{
    return Variablezuerst->isChecked() ? Priority::Variablezuerst : Priority::Wiederzuerst;
}

void MainWindow::setPriority(Priority p)
{
    (p == Priority::Variablezuerst ? Variablezuerst : Wiederzuerst)->setChecked(true);
}

void MainWindow::setAmSetCaption(const std::string& caption) { AmSet->setText(QString::fromStdString(caption)); }
void MainWindow::setAktVarText(const std::string& text) { AktVar->setText(QString::fromStdString(text)); }

OrderSetting MainWindow::order() const
{
    OrderSetting o;
    o.Kind = static_cast<OrderKind>(std::clamp(Reihenfolge->currentIndex(), 0, int(OrderCaptions.size()) - 1));
    o.Seed = Startwert->text().toStdString();
    o.List = OrderList->text().toStdString();
    return o;
}

void MainWindow::setOrder(const OrderSetting& order)
{
    Reihenfolge->setCurrentIndex(static_cast<int>(order.Kind));
    Startwert->setText(QString::fromStdString(order.Seed));
    OrderList->setText(QString::fromStdString(order.List));
    showOrderFields();
}

void MainWindow::showOrderFields()
{
    // Only the field the chosen order reads can be typed into.
    const auto kind = static_cast<OrderKind>(Reihenfolge->currentIndex());
    Startwert->setEnabled(kind == OrderKind::Random);
    OrderList->setEnabled(kind == OrderKind::List);
    OrderListFile->setEnabled(kind == OrderKind::List);
}

void MainWindow::setPresentationText(const std::string& text) { Darbietung->setText(QString::fromStdString(text)); }

void MainWindow::setDrawnSeedText(const std::string& text)
{
    Startwert->setPlaceholderText(text.empty() ? SeedPlaceholder : QString::fromStdString(text));
    Startwert->setToolTip(text.empty() ? QString() : "Gezogener Startwert " + QString::fromStdString(text));
}

std::string MainWindow::statusText(int panel) const
{
    if (panel < 0 || panel >= StatusPanelCount)
        throw RangeError();
    return StatusPanel[static_cast<std::size_t>(panel)]->text().toStdString();
}

void MainWindow::setStatusText(int panel, const std::string& text)
{
    if (panel < 0 || panel >= StatusPanelCount)
        throw RangeError();
    StatusPanel[static_cast<std::size_t>(panel)]->setText(QString::fromStdString(text));
}

void MainWindow::repaintStatusBar() { statusBar()->repaint(); }
void MainWindow::repaintSignalDisplay() { SinusBox->repaint(); }
void MainWindow::invalidateSignalDisplay() { SinusBox->update(); }

void MainWindow::setTimerEnabled(bool enabled)
{
    // Enabling a running timer keeps its interval going: restarting it on
    // every Start would let a stream of commands hold the next tick off.
    if (enabled && !Timer1->isActive())
        Timer1->start();
    else if (!enabled)
        Timer1->stop();
}

bool MainWindow::timerEnabled() const { return Timer1->isActive(); }

} // namespace tonvera
