// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CalibrationWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

#include "audio/MicLevelSource.h"
#include "device/SleepPause.h"
#include "files/FileCommands.h"
#include "model/Dialogs.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "run/CalibrationRecord.h"
#include "run/CommandGuard.h"
#include "run/MainCore.h"
#include "ui/Named.h"

namespace tonvera {

namespace {

SleepPause RampWait;

QString Fixed(double v) { return QString::fromStdString(FormatFixed(v, 2)); }

double Field(const QLineEdit* edit)
{
    // A point or a comma, whichever the operator types.
    std::string text = edit->text().trimmed().toStdString();
    for (char& c : text)
        if (c == ',')
            c = '.';
    return ConvertNumber(text, '.');
}

} // namespace

CalibrationWindow::CalibrationWindow(MainCore& core, Dialogs& dialogs, CommandGuard& guard, QWidget* parent)
    : QDialog(parent), Core(core), Dlg(dialogs), Guard(guard)
{
    setObjectName("Kalibrierassistent");
    setWindowTitle(QString::fromUtf8("Kalibrierassistent"));

    auto* settings = Named<QGroupBox>("Einstellungen", QString::fromUtf8("1. Pegel und Frequenzen"), this);
    auto* form = new QFormLayout(settings);
    Pegel0dB = Named<QLineEdit>("Pegel0dB", "100", settings);
    Daempfung = Named<QLineEdit>("Daempfung", "30", settings);
    Kanal = Named<QSpinBox>("Kanal", settings);
    Kanal->setRange(1, SignalSlots);
    Frequenzen = Named<QComboBox>("Frequenzen", settings);
    Frequenzen->addItem(QString::fromUtf8("Oktaven 125 Hz – 8 kHz"));
    Frequenzen->addItem(QString::fromUtf8("Terzen 100 Hz – 16 kHz"));
    Frequenzen->addItem(QString::fromUtf8("Punkte der aktuellen Tabelle"));
    Hoechstpegel = Named<QLineEdit>("Hoechstpegel", "90", settings);
    Toleranz = Named<QLineEdit>("Toleranz", "1", settings);
    Messzeit = Named<QLineEdit>("Messzeit", "2", settings);
    form->addRow(QString::fromUtf8("0 dB entspricht (dB SPL):"), Pegel0dB);
    form->addRow(QString::fromUtf8("Messen bei Dämpfung (dB):"), Daempfung);
    form->addRow(QString::fromUtf8("Kanal:"), Kanal);
    form->addRow(QString::fromUtf8("Frequenzen:"), Frequenzen);
    form->addRow(QString::fromUtf8("Höchstpegel (dB SPL):"), Hoechstpegel);
    form->addRow(QString::fromUtf8("Toleranz ± (dB):"), Toleranz);
    form->addRow(QString::fromUtf8("Messzeit (s):"), Messzeit);

    auto* sourceBox = Named<QGroupBox>("Messquelle", QString::fromUtf8("2. Messquelle"), this);
    auto* sform = new QFormLayout(sourceBox);
    Schallpegelmesser = Named<QRadioButton>("Schallpegelmesser", QString::fromUtf8(MeterSourceName), sourceBox);
    Messmikrofon = Named<QRadioButton>("Messmikrofon", QString::fromUtf8(MicSourceName), sourceBox);
    Schallpegelmesser->setChecked(true);
    Mikrofon = Named<QComboBox>("Mikrofon", sourceBox);
    Mikrofon->setEditable(true);
    for (const audio::CaptureDevice& d : audio::CaptureDevices())
        Mikrofon->addItem(QString::fromStdString(d.name), QString::fromStdString(d.description));
    KalibratorPegel = Named<QLineEdit>("KalibratorPegel", "94", sourceBox);
    KalibratorFrequenz = Named<QLineEdit>("KalibratorFrequenz", "1000", sourceBox);
    Empfindlichkeit = Named<QLineEdit>("Empfindlichkeit", sourceBox);
    Empfindlichkeit->setPlaceholderText(QString::fromUtf8("aus dem Referenzschritt"));
    Referenz = Named<QPushButton>("Referenz", QString::fromUtf8("Referenz messen"), sourceBox);
    sform->addRow(Schallpegelmesser);
    sform->addRow(Messmikrofon);
    sform->addRow(QString::fromUtf8("Aufnahmegerät:"), Mikrofon);
    sform->addRow(QString::fromUtf8("Kalibrator (dB SPL):"), KalibratorPegel);
    sform->addRow(QString::fromUtf8("Kalibrator (Hz):"), KalibratorFrequenz);
    sform->addRow(QString::fromUtf8("Empfindlichkeit (dBFS bei 94 dB SPL):"), Empfindlichkeit);
    sform->addRow(Referenz);
    const auto micOnly = [this] {
        const bool mic = Messmikrofon->isChecked();
        for (QWidget* w : {static_cast<QWidget*>(Mikrofon), static_cast<QWidget*>(KalibratorPegel),
                           static_cast<QWidget*>(KalibratorFrequenz), static_cast<QWidget*>(Empfindlichkeit),
                           static_cast<QWidget*>(Referenz)})
            w->setEnabled(mic);
    };
    connect(Messmikrofon, &QRadioButton::toggled, this, micOnly);
    micOnly();

    Schritte = Named<QTableWidget>("Schritte", 0, 6, this);
    Schritte->setHorizontalHeaderLabels({QString::fromUtf8("Frequenz/Hz"), QString::fromUtf8("Soll/dB"),
                                         QString::fromUtf8("vorher/dB"), QString::fromUtf8("Korrektur/dB"),
                                         QString::fromUtf8("nachher/dB"), QString::fromUtf8("Abweichung/dB")});
    Schritte->verticalHeader()->hide();
    Schritte->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Schritte->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Schritte->setMinimumWidth(660);
    Hinweis = Named<QLabel>("Hinweis", this);
    Hinweis->setWordWrap(true);
    Hinweis->setText(QString::fromUtf8("3. Messen: jede Frequenz wird als Dauerton gespielt, gemessen und geprüft."));

    Messen = Named<QPushButton>("Messen", QString::fromUtf8("Messen"), this);
    Nachmessen = Named<QPushButton>("Nachmessen", QString::fromUtf8("Fehlgeschlagene neu messen"), this);
    Speichern = Named<QPushButton>("Speichern", QString::fromUtf8("Übernehmen und speichern..."), this);
    Stopp = Named<QPushButton>("Stopp", QString::fromUtf8("Stopp"), this);
    Schliessen = Named<QPushButton>("Schliessen", QString::fromUtf8("Schließen"), this);
    for (QPushButton* b : {Messen, Nachmessen, Speichern, Stopp, Schliessen})
        b->setAutoDefault(false);
    Nachmessen->setEnabled(false);
    Speichern->setEnabled(false);

    auto* left = new QVBoxLayout;
    left->addWidget(settings);
    left->addWidget(sourceBox);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(Schritte, 1);
    right->addWidget(Hinweis);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Messen, Nachmessen, Speichern, Stopp})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(Schliessen);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top, 1);
    all->addLayout(buttons);

    connect(Messen, &QPushButton::clicked, this, [this] { MessenClick(); });
    connect(Nachmessen, &QPushButton::clicked, this, [this] { NachmessenClick(); });
    connect(Referenz, &QPushButton::clicked, this, [this] { ReferenzClick(); });
    connect(Speichern, &QPushButton::clicked, this, [this] { SpeichernClick(); });
    connect(Stopp, &QPushButton::clicked, this, [this] { StoppClick(); });
    connect(Schliessen, &QPushButton::clicked, this, [this] { close(); });
}

CalibrationWindow::~CalibrationWindow() = default;

void CalibrationWindow::Kalibrierassistent1Click()
{
    show();
    raise();
    activateWindow();
}

CalibrationSettings CalibrationWindow::settingsFromFields() const
{
    CalibrationSettings s;
    s.LevelAt0dB = Field(Pegel0dB);
    s.Attenuation = Field(Daempfung);
    s.Channel = Kanal->value() - 1;
    s.Frequencies = PresetFrequencies(static_cast<FrequencyPreset>(Frequenzen->currentIndex()), Core.state().EichTable);
    s.MaxLevel = Field(Hoechstpegel);
    s.Tolerance = Field(Toleranz);
    s.MeasureSeconds = Field(Messzeit);
    return s;
}

LevelSource& CalibrationWindow::source()
{
    if (!Messmikrofon->isChecked())
        return Meter;
    const std::string device = Mikrofon->currentText().trimmed().toStdString();
    if (device.empty())
        throw AbortError("Kein Aufnahmegerät angegeben");
    if (!Mic || Mic->device() != device)
        Mic = std::make_unique<audio::MicLevelSource>(device);
    if (!Empfindlichkeit->text().trimmed().isEmpty())
        Mic->setSensitivity(Field(Empfindlichkeit));
    if (!Mic->sensitivity())
        throw AbortError("Erst die Referenz messen oder die Empfindlichkeit angeben");
    return *Mic;
}

void CalibrationWindow::run(const std::function<void()>& body)
{
    if (Busy)
        return;
    Busy = true;
    Stopped = false;
    KeepNotice = false;
    for (QPushButton* b : {Messen, Nachmessen, Speichern, Referenz})
        b->setEnabled(false);
    if (Assistant)
        Assistant->Resume();
    Guard.run([&] {
        try {
            body();
        } catch (const AbortError& e) {
            // A stop the operator gave is no error worth a box.
            if (e.text() != CalibrationStoppedText)
                throw;
            Hinweis->setText(QString::fromUtf8(CalibrationStoppedText));
            KeepNotice = true;
        }
    });
    Busy = false;
    Messen->setEnabled(true);
    Referenz->setEnabled(Messmikrofon->isChecked());
    showSteps();
}

void CalibrationWindow::MessenClick()
{
    run([&] {
        Assistant.reset();
        LevelSource& src = source();
        Assistant = std::make_unique<CalibrationAssistant>(Core, src, RampWait, settingsFromFields());
        showSteps();
        Assistant->MeasureAll([&](std::size_t) { showSteps(); });
        for (std::size_t i = 0; i < Assistant->steps().size(); ++i) {
            Assistant->Check(i);
            showSteps();
        }
    });
}

void CalibrationWindow::NachmessenClick()
{
    run([&] {
        if (!Assistant)
            return;
        for (std::size_t i : Assistant->Failed()) {
            Assistant->Measure(i);
            Assistant->Check(i);
            showSteps();
        }
    });
}

void CalibrationWindow::ReferenzClick()
{
    run([&] {
        const std::string device = Mikrofon->currentText().trimmed().toStdString();
        if (device.empty())
            throw AbortError("Kein Aufnahmegerät angegeben");
        Mic = std::make_unique<audio::MicLevelSource>(device);
        Dlg.messageBox("Kalibrator auf das Mikrofon setzen und einschalten, dann OK", "Referenz");
        const double sens = Mic->calibrate(Field(KalibratorFrequenz), Field(KalibratorPegel), Field(Messzeit));
        Empfindlichkeit->setText(Fixed(sens));
    });
}

void CalibrationWindow::SpeichernClick()
{
    run([&] {
        if (!Assistant || !Assistant->Passed())
            return;
        FileCommands& files = Core.files();
        const auto name =
            Dlg.saveFileName(SaveDialog2Setup.filter, SaveDialog2Setup.defaultExt, files.SaveDialog2FileName);
        if (!name)
            return;
        files.SaveDialog2FileName = *name;
        Assistant->Adopt(*name);
        const bool mic = Messmikrofon->isChecked() && Mic;
        std::string reference;
        if (mic && Empfindlichkeit->text().trimmed().isEmpty() == false)
            reference = "Kalibrator " + KalibratorPegel->text().toStdString() + " dB SPL bei " +
                        KalibratorFrequenz->text().toStdString() + " Hz";
        CalibrationRecord record = MakeCalibrationRecord(
            *Assistant, mic ? std::string(MicSourceName) + " " + Mic->device() : std::string(MeterSourceName),
            mic ? Mic->sensitivity() : std::nullopt, reference);
        record.CalFile = *name;
        const RecordFiles files2 = WriteCalibrationRecord(record);
        Hinweis->setText(
            QString::fromStdString("Gespeichert: " + *name + ", Protokoll " + files2.Text + ", Kurven " + files2.Plot));
        KeepNotice = true;
    });
}

void CalibrationWindow::StoppClick()
{
    Stopped = true;
    if (Assistant)
        Assistant->RequestStop();
    else if (Core.device().Running)
        Guard.run([&] { Core.Button4Click(); });
}

void CalibrationWindow::reject()
{
    StoppClick();
    QDialog::reject();
}

void CalibrationWindow::closeEvent(QCloseEvent* event)
{
    StoppClick();
    QDialog::closeEvent(event);
}

std::optional<double> CalibrationWindow::reading(double hz)
{
    for (;;) {
        QInputDialog dialog(this);
        dialog.setObjectName("Anzeige");
        dialog.setWindowTitle(QString::fromUtf8(MeterSourceName));
        dialog.setLabelText(QString::fromStdString(MeterPrompt(hz)));
        dialog.setWindowModality(Qt::NonModal);
        QEventLoop loop;
        connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
        connect(Stopp, &QPushButton::clicked, &loop, &QEventLoop::quit);
        connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
        dialog.show();
        loop.exec();
        if (Stopped || dialog.result() != QDialog::Accepted)
            return std::nullopt;
        std::string text = dialog.textValue().trimmed().toStdString();
        for (char& c : text)
            if (c == ',')
                c = '.';
        const ParsedNumber n = TryConvertNumber(text, '.');
        if (n.valid && std::isfinite(n.value))
            return n.value;
        Dlg.messageBox("'" + QuotedInput(text) + "' ist kein gültiger Pegel", AttentionTitle);
    }
}

void CalibrationWindow::showSteps()
{
    if (!Assistant) {
        Schritte->setRowCount(0);
        return;
    }
    const auto& steps = Assistant->steps();
    Schritte->setRowCount(static_cast<int>(steps.size()));
    const double tol = Assistant->settings().Tolerance;
    for (int r = 0; r < static_cast<int>(steps.size()); ++r) {
        const CalibrationStep& s = steps[static_cast<std::size_t>(r)];
        const QString cells[6] = {QString::fromStdString(IntegerText(s.Frequency)),
                                  Fixed(s.Target),
                                  s.Measured ? Fixed(s.Before) : "",
                                  s.Measured ? Fixed(s.Correction) : "",
                                  s.Checked ? Fixed(s.After) : "",
                                  s.Checked ? Fixed(s.Deviation()) : ""};
        for (int c = 0; c < 6; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (s.Checked)
                item->setBackground(std::abs(s.Deviation()) <= tol ? QColor(0xd8, 0xf0, 0xd8)
                                                                   : QColor(0xf8, 0xd0, 0xd0));
            Schritte->setItem(r, c, item);
        }
    }
    if (Busy)
        return;
    const bool passed = Assistant->Passed();
    Speichern->setEnabled(passed);
    Nachmessen->setEnabled(!Assistant->Failed().empty());
    if (KeepNotice)
        return;
    if (passed)
        Hinweis->setText(
            QString::fromUtf8("Alle Frequenzen innerhalb der Toleranz: die Tabelle kann übernommen "
                              "werden."));
    else if (!Assistant->Failed().empty()) {
        std::string text;
        for (std::size_t i : Assistant->Failed())
            text += (text.empty() ? "" : ", ") + IntegerText(steps[i].Frequency) + " Hz";
        Hinweis->setText(QString::fromStdString("Außerhalb der Toleranz: " + text +
                                                ". Neu messen oder die "
                                                "Einstellungen ändern."));
    }
}

} // namespace tonvera
