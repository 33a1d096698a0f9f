// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/VerschiedenesWindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/Named.h"

namespace tonvera {

namespace {

// The window's size as designed.
constexpr int DesignWidth = 214;
constexpr int DesignHeight = 163;

} // namespace

VerschiedenesWindow::VerschiedenesWindow(MainState& state, QWidget* parent) : QDialog(parent), core_(state)
{
    setObjectName("Verschiedenes");
    setWindowTitle("Verschiedenes");
    setModal(true);
    resize(DesignWidth, DesignHeight);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    CheckParam = Named<QCheckBox>("CheckParam", "Parameter überprüfen", this);
    column->addWidget(CheckParam);

    GroupBox1 = Named<QGroupBox>("GroupBox1", "Taster", this);
    auto* group = new QVBoxLayout(GroupBox1);
    TasterLow = Named<QRadioButton>("TasterLow", "Aktiv wenn geschlossen", GroupBox1);
    TasterHigh = Named<QRadioButton>("TasterHigh", "Aktiv wenn geöffnet", GroupBox1);
    group->addWidget(TasterLow);
    group->addWidget(TasterHigh);
    column->addWidget(GroupBox1);
    column->addStretch(1);

    // The range check reads the flag at every commit, so the box writes
    // through at once; the polarity goes back only when the dialog closes.
    connect(CheckParam, &QCheckBox::toggled, this, [this](bool on) { core_.SetCheckParam(on); });
    connect(TasterLow, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            core_.CheckTasterLow();
    });
    connect(TasterHigh, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            core_.CheckTasterHigh();
    });
    core_.Changed = [this] { coreToWidgets(); };
    core_.ShowModal = [this] { exec(); };
    coreToWidgets();
}

void VerschiedenesWindow::coreToWidgets()
{
    const QSignalBlocker b1(CheckParam);
    const QSignalBlocker b2(TasterLow);
    const QSignalBlocker b3(TasterHigh);
    CheckParam->setChecked(core_.CheckParam());
    TasterLow->setChecked(core_.TasterLow());
    TasterHigh->setChecked(core_.TasterHigh());
}

} // namespace tonvera
