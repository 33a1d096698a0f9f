// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Simulationsergebnis": the total duration of a run through all variable
// positions and the plot of the summed envelopes with the trigger times.

#include <QDialog>
#include <string>

#include "model/Simulation.h"

class QLabel;
class QPainter;

namespace tonvera {

class Dialogs;
class CommandGuard;
class MainForm;
class PaintBox;

class SimWindow : public QDialog {
    Q_OBJECT
public:
    // `variPos` is the main window's position, which the simulation steps
    // and puts back.
    SimWindow(std::int32_t& variPos, Dialogs& dialogs, CommandGuard& guard, QWidget* parent = nullptr);

    // "S&imulieren" on the main window: the message without variables,
    // otherwise the simulation and this window, modally.
    void Button7Click(MainForm& form); // "S&imulieren" of the main window

    Simulation& core() { return core_; }

    // The label and the plot as the core has them now (before showing).
    void showResult();

private:
    QWidget* Panel1;
    QLabel* Label1;
    // What did not evaluate while drawing; empty when all is well.
    QLabel* ProblemLabel;
    QWidget* Panel2;
    PaintBox* SimPaint;

    void SimPaintPaint(QPainter& painter); // the plot SimPaint

    CommandGuard& guard_;
    Simulation core_;
};

// The decimal separator of the operator's locale, for texts meant to be read
// rather than parsed again.
char LocaleDecimalSeparator();

} // namespace tonvera
