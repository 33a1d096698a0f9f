// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Verschiedenes": the parameter check and the polarity of the external
// start button. No buttons: closing the window ends the dialog.

#include <QDialog>

#include "model/Verschiedenes.h"

class QCheckBox;
class QGroupBox;
class QRadioButton;

namespace tonvera {

struct MainState;

class VerschiedenesWindow : public QDialog {
    Q_OBJECT
public:
    explicit VerschiedenesWindow(MainState& state, QWidget* parent = nullptr);

    // "&Einstellungen" > "&Verschiedenes".
    void Verschiedenes1Click() { core_.Verschiedenes1Click(); } // "&Verschiedenes" of "&Einstellungen"

    Verschiedenes& core() { return core_; }

    // The widgets as the core has them.
    void coreToWidgets();

private:
    QCheckBox* CheckParam;
    QGroupBox* GroupBox1;
    QRadioButton* TasterLow;
    QRadioButton* TasterHigh;

    Verschiedenes core_;
};

} // namespace tonvera
