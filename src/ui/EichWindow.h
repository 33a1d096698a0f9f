// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Eichdaten Eingabe": the calibration editor. The sorted list of points
// with the two buttons on the left, the correction curve on the right.

#include <QDialog>

#include "model/EichEditor.h"

class QListWidget;
class QPushButton;

namespace tonvera {

class Dialogs;
class CommandGuard;
class PaintBox;

class EichWindow : public QDialog {
    Q_OBJECT
public:
    EichWindow(Dialogs& dialogs, CommandGuard& guard, QWidget* parent = nullptr);

    // "&Einstellungen" > "&Kalibrierung": edits the table modally and puts
    // the edited one in its place when the window closes.
    void EditEichTable(EichTable& table);

    EichEditor& core() { return core_; }

    void Button1Click(); // "Punkt hinzufügen"
    void Button2Click(); // "Punkt löschen"

    // The list box shows the core's lines; the selection goes back before a
    // delete.
    void coreToList();
    void selectionToCore();

private:
    QWidget* Panel1;
    PaintBox* EichPaint;
    QWidget* Panel2;
    QPushButton* Button1;
    QPushButton* Button2;
    QListWidget* EichListBox;

    void EichPaintPaint(class QPainter& painter); // the plot EichPaint

    CommandGuard& guard_;
    EichEditor core_;
};

} // namespace tonvera
