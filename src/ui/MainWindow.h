#pragma once
// The main window: a thin skin over the core. The widgets keep their design
// names (Freq, Signaldauer, varcheck, AktVar, ...); every event is forwarded
// to a core command through the one EventGuard.

#include <QMainWindow>
#include <array>
#include <functional>
#include <string>

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QWidget;

namespace tonvera {

class PaintBox;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    static constexpr int DesignWidth = 915;
    static constexpr int DesignHeight = 602;

    // --- Menu -----------------------------------------------------------------
    QAction *Neu1, *Laden1, *Speichern1, *Drucken1, *Beenden1;
    QAction* NeueVariable1;
    QAction *Hardware1, *Verschiedenes1, *Eichung, *Kalibrierdatenspeichern1, *Kalibrierdatenladen1;
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

    QTimer* Timer1;

    // The eleven parameter edits in the order the commit key handles them.
    std::array<QLineEdit*, 11> parameterEdits() const;
    std::array<QLineEdit*, 7> localEdits() const;
    std::array<QCheckBox*, 8> displayChecks() const;

    void setStatusText(int panel, const std::string& text, bool repaintNow = false);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    QLineEdit* makeEdit(QWidget* panel, const char* name, int left, int top, int width);
    QCheckBox* makeCheck(QWidget* panel, const char* name, int left, int top);
    void buildMenu();
    void buildTopPanel();
    void buildRightPanel();
    void buildParameterPanel();
    void buildBottomPanel();
    void buildStatusBar();
};

} // namespace tonvera
