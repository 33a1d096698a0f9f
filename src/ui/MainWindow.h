// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: a thin skin over the core. The widgets keep their design
// names (Freq, Signaldauer, varcheck, AktVar, ...); every event is forwarded
// to a core command through the one CommandGuard.

#include <QMainWindow>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "model/MainView.h"
#include "ui/AppWindows.h"
#include "run/CommandGuard.h"
#include "run/EditHistory.h"
#include "run/RunEvents.h"

class QAbstractButton;
class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QWidget;

namespace tonvera {

class Dialogs;
class FileCommands;
class HardInitDialog;
class Journal;
class JournalDialog;
class MainCore;
class MainDisplay;
class MainForm;
class PaintBox;
class Pause;
class RecoveryClaim;
class QtDialogs;
class SerialLine;
class SignalEditing;
class TTonvera;

// Windows still being built by others: until a hook is set the menu
// command shows the window's placeholder.
struct MainWindowHooks {
    std::function<void()> NeueVariable1Click;       // "&Konfigurieren": variables editor
    std::function<void()> EichungClick;             // "&Kalibrierung": calibration editor
    std::function<void()> Button7Click;             // "S&imulieren": simulation window
    std::function<void()> Verschiedenes1Click;      // "&Verschiedenes": options dialog
    std::function<void()> Blockschaltbild1Click;    // "Blockschaltbild"
    std::function<void()> Kalibrierassistent1Click; // "Kalibrierassistent...": calibration assistant
};

// The other windows (OwnedWindows) are set once they exist, after this one.
class MainWindow : public QMainWindow, public MainView, public OwnedWindows {
    Q_OBJECT
public:
    // Without dialogs the window shows real Qt boxes; tests pass recorded
    // ones. Without a line and a pause the real serial port and real sleeps
    // are used. The core comes up at once ("Neu"); the default files are
    // loaded by FormCreate.
    explicit MainWindow(Dialogs* dialogs = nullptr, SerialLine* line = nullptr, Pause* pause = nullptr,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up work that needs the other layers: empties status panels
    // 2 and 3 and loads "default.cal", then "default.tva", from the working
    // directory when they exist. An abort ends it there, with the error shown.
    void FormCreate(); // the main window MainForm, once created

    MainWindowHooks hooks;

    MainCore& core() { return *Core; }
    MainForm& form();
    TTonvera& device();
    SerialLine& line();
    FileCommands& files();
    SignalEditing& editing() { return *Editing; }
    Dialogs& dialogs() { return *Dlg; }
    CommandGuard& guard() { return Guard; }

    // Runs a command through the one guard; afterwards a change of the
    // signal set becomes a step of the edit history.
    bool command(const std::function<void()>& body);

    // --- Menu and button handlers that live in the window -----------------------
    void Beenden1Click();  // "&Beenden" of "&Datei"
    void Hardware1Click(); // "&Hardware" of "&Einstellungen"
    void Version1Click();  // "Version" of "Hilfe"
    // --- The journal (MainWindowJournal.cpp) -----------------------------------
    void Protokoll1Click();       // "&Protokoll..." of "&Einstellungen"
    void Protokollordner1Click(); // "Protokollordner &öffnen" of "&Einstellungen"
    // The journal file written last; empty before its first line.
    [[nodiscard]] std::string journalFile() const;
    // The 50 ms tick: the run layer's tick through the guard.
    void Timer1Timer(); // Timer1, every 50 ms
    // Stops the device and closes the port (also on the window's close box).
    void FormClose(); // the main window's close box

    // --- MainView ------------------------------------------------------------------
    [[nodiscard]] std::string editText(EditField field) const override;
    void setEditText(EditField field, const std::string& text) override;
    void setLocalEditsEnabled(bool enabled) override;
    void focusEdit(EditField field) override;
    [[nodiscard]] int checkedType() const override;
    void setCheckedType(int typeCode) override;
    [[nodiscard]] bool isChecked(CheckBox box) const override;
    void setChecked(CheckBox box, bool checked) override;
    [[nodiscard]] Priority priority() const override;
    void setPriority(Priority p) override;
    void setAmSetCaption(const std::string& caption) override;
    void setAktVarText(const std::string& text) override;
    [[nodiscard]] OrderSetting order() const override;
    void setOrder(const OrderSetting& order) override;
    void setPresentationText(const std::string& text) override;
    void setDrawnSeedText(const std::string& text) override;
    [[nodiscard]] std::string statusText(int panel) const override;
    void setStatusText(int panel, const std::string& text) override;
    void repaintStatusBar() override;
    void repaintSignalDisplay() override;
    void invalidateSignalDisplay() override;
    void setTimerEnabled(bool enabled) override;
    [[nodiscard]] bool timerEnabled() const override;

    static constexpr int DesignWidth = 915;
    // What the seed field shows while it is empty and no Start drew one.
    static inline const QString SeedPlaceholder = QStringLiteral("Startwert");
    static constexpr int DesignHeight = 602;

    // The eleven parameter edits in the order the commit key handles them.
    [[nodiscard]] std::array<QLineEdit*, 11> parameterEdits() const;
    [[nodiscard]] std::array<QLineEdit*, 7> localEdits() const;
    [[nodiscard]] std::array<QCheckBox*, 8> displayChecks() const;

    // --- Undo, unsaved changes, title, recovery (MainWindowHistory.cpp) ----------
    // While the project has unsaved changes it goes to the recovery file
    // this often.
    static constexpr std::chrono::milliseconds RecoveryInterval{30000};
    // A shorter interval, for tests.
    void setRecoveryInterval(std::chrono::milliseconds interval);
    // The project differs from the file last loaded or saved.
    [[nodiscard]] bool projectModified() const { return History.modified(); }
    void Rueckgaengig1Click();     // "&Rückgängig" of "&Bearbeiten"
    void Wiederherstellen1Click(); // "&Wiederherstellen" of "&Bearbeiten"
    // With the question about unsaved changes and the history kept;
    // "&Speichern" returns whether the file was written.
    void Neu1Click();   // "&Neu" of "&Datei"
    void Laden1Click(); // "&Laden" of "&Datei"
    // A project named on the command line, after the default files: loaded
    // as "&Laden" loads the file chosen, through the guard.
    void OpenNamedProject(const std::string& fileName);
    bool Speichern1Click(); // "&Speichern" of "&Datei"

private:
    // The controls keep their design names as object names too: other
    // windows and the tests find them by those.

    // --- Menu -----------------------------------------------------------------
    QAction *Neu1, *Laden1, *Speichern1, *Drucken1, *Beenden1;
    QAction* NeueVariable1;
    QAction *Hardware1, *Verschiedenes1, *Eichung, *Kalibrierdatenspeichern1, *Kalibrierdatenladen1;
    QAction *Protokoll1, *Protokollordner1;
    QAction* Kalibrierassistent1;
    QAction *Version1, *Blockschaltbild1;

    // --- Top panel: global parameters -----------------------------------------
    PaintBox* Panel2; // the panel paints itself: it is the IconPaint box
    QLineEdit *Signaldauer, *Triggerstart, *Triggerstop, *EndDamp;

    // --- Centre: the signal display -------------------------------------------
    QWidget* Panel3;
    PaintBox* SinusBox;

    // --- Right panel: output options -------------------------------------------
    QWidget* Panel5;
    QLineEdit* AnzWieder;
    QCheckBox *Repeated, *ExternStart;
    QGroupBox* PrioGroup;
    QRadioButton *Wiederzuerst, *Variablezuerst;
    QGroupBox* VarGroup;
    QCheckBox* varcheck;
    QPushButton *Button5, *Button6;
    QLabel* AktVar;
    QComboBox* Reihenfolge; // "Reihenfolge"
    QLineEdit *Startwert, *OrderList;
    QPushButton* OrderListFile; // reads the list from a file
    QLabel* Darbietung;         // "Darbietung k von N"

    // --- Parameter panel: local parameters -------------------------------------
    PaintBox* ParPan; // the panel paints itself: it is the ParInfo box
    QLineEdit *Start, *RampUp, *Freq, *Phase, *Stop, *Ampl, *RampDown;
    QCheckBox *StartCheck, *RampUpCheck, *FreqCheck, *PhaseCheck, *StopCheck, *AmplCheck, *RampDownCheck, *TypCheck;
    QGroupBox* TypGroup;
    QRadioButton *SinusSel, *SinusEichSel, *AMSel, *RechtSel, *RauschenSel, *MuteSel;
    QPushButton* AmSet;

    // --- Bottom panel ------------------------------------------------------------
    QPushButton *Button1, *Button9, *Button2, *Button7, *StartButton, *Button4;

    // --- Status bar ----------------------------------------------------------------
    std::array<QLabel*, 4> StatusPanel{};
    // The presentation playing, told by the run's events.
    QLabel* StatusDarbietung = nullptr;

    QTimer* Timer1;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QLineEdit* makeEdit(QWidget* panel, const char* name, int left, int top, int width);
    QCheckBox* makeCheck(QWidget* panel, const char* name, int left, int top);
    void buildLayout();
    void buildMenu();
    void buildTopPanel();
    void buildRightPanel();
    void buildParameterPanel();
    void buildBottomPanel();
    void buildStatusBar();
    void wireEvents();
    void showOrderFields();
    // "..." beside the list: the list read from a file chosen.
    void OrderListFileClick();
    void paintSignalDisplay(QPainter& p);
    void paintLabels(QPainter& p, bool local);
    QLineEdit* edit(EditField f) const;
    QCheckBox* check(CheckBox b) const;
    void showWindow(QDialog* w, std::function<void()> MainWindowHooks::*hook, const char* what);
    void onClick(QAbstractButton* b, std::function<void()> body);
    void onMenu(QAction* a, std::function<void()> body);

    std::unique_ptr<QtDialogs> OwnDialogs;
    Dialogs* Dlg;
    CommandGuard Guard;
    std::unique_ptr<MainCore> Core;
    std::unique_ptr<SignalEditing> Editing;
    std::unique_ptr<MainDisplay> Display;
    bool Closed = false;
    bool TickOpen = false;

    // --- Undo, unsaved changes, title, recovery (MainWindowHistory.cpp) ----------
    void wireHistory();
    void recordStep();
    void afterCommand();
    // Listens to the core's events (loads for the history).
    void watchCore();
    void showHistory();
    void showStep(const SignalSetSnapshot& step);
    bool mayDropChanges();
    void offerRecovery();
    void writeRecovery();
    void dropRecovery();
    const std::string& recoveryPath();
    bool holdsUncommittedText(const QLineEdit* e) const;
    EditHistory History;
    QAction* Rueckgaengig1 = nullptr;
    QAction* Wiederherstellen1 = nullptr;
    QTimer* RecoveryTimer = nullptr;
    QObject* UndoKeys = nullptr;
    // The name of the next step when the command knows it better than the
    // change it made (a copy looks like a new signal).
    std::string NextStep;
    // The core put a project in place (also when its upload failed after)
    // since the last command ended.
    bool ProjectLoaded = false;
    std::unique_ptr<RunListener> CoreEvents;
    // The recovery file is behind the history / was written by this window.
    bool RecoveryStale = false;
    bool RecoveryWritten = false;
    std::unique_ptr<RecoveryClaim> Recovery;

    // --- The journal and the presentation in the status bar (MainWindowJournal.cpp)
    void wireJournal();
    std::unique_ptr<Journal> Log;
    std::unique_ptr<RunListener> JournalTap;
    std::unique_ptr<RunListener> RunStatus;
    JournalDialog* ProtokollDialog = nullptr;
    QString JournalDir;
    bool JournalOn = true;
};

} // namespace tonvera
