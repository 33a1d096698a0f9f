// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Kalibrierassistent": leads through measuring the calibration table. The
// settings and the source on the left, the steps with their levels on the
// right, the commands below. The work is the assistant's in the core; the
// window gathers the settings, asks for the meter's readings and shows the
// steps.
//
// The readings are asked in a dialog that leaves this window usable, so
// "Stopp", Esc and the close box stop the device while a tone plays.

#include <QDialog>

#include <memory>
#include <optional>
#include <string>

#include "run/CalibrationAssistant.h"
#include "run/MeterLevelSource.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace tonvera {

class CommandGuard;
class Dialogs;
class MainCore;
namespace audio {
class MicLevelSource;
}

class CalibrationWindow : public QDialog, private MeterReadings {
    Q_OBJECT
public:
    CalibrationWindow(MainCore& core, Dialogs& dialogs, CommandGuard& guard, QWidget* parent = nullptr);
    ~CalibrationWindow() override;

    // "Kalibrierung" > "Kalibrierassistent...": shows the window.
    void Kalibrierassistent1Click();

    void MessenClick();     // "Messen"
    void NachmessenClick(); // "Fehlgeschlagene neu messen"
    void ReferenzClick();   // "Referenz messen"
    void SpeichernClick();  // "Übernehmen und speichern..."
    void StoppClick();      // "Stopp"

    [[nodiscard]] CalibrationAssistant* assistant() { return Assistant.get(); }

    void reject() override; // Esc
protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::optional<double> reading(double hz) override;
    CalibrationSettings settingsFromFields() const;
    LevelSource& source();
    void run(const std::function<void()>& body);
    void showSteps();

    MainCore& Core;
    Dialogs& Dlg;
    CommandGuard& Guard;
    MeterLevelSource Meter{*this};
    std::unique_ptr<audio::MicLevelSource> Mic;
    std::unique_ptr<CalibrationAssistant> Assistant;
    bool Busy = false;
    bool Stopped = false;
    // The notice of a save or a stop stays until the next command.
    bool KeepNotice = false;

    QLineEdit* Pegel0dB;
    QLineEdit* Daempfung;
    QSpinBox* Kanal;
    QComboBox* Frequenzen;
    QLineEdit* Hoechstpegel;
    QLineEdit* Toleranz;
    QLineEdit* Messzeit;
    QRadioButton* Schallpegelmesser;
    QRadioButton* Messmikrofon;
    QComboBox* Mikrofon;
    QLineEdit* KalibratorPegel;
    QLineEdit* KalibratorFrequenz;
    QLineEdit* Empfindlichkeit;
    QPushButton* Referenz;
    QTableWidget* Schritte;
    QLabel* Hinweis;
    QPushButton* Messen;
    QPushButton* Nachmessen;
    QPushButton* Speichern;
    QPushButton* Stopp;
    QPushButton* Schliessen;
};

} // namespace tonvera
