// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's life and events: it brings the core up, forwards every
// control's event to a core command through the one guard, and runs the
// commands that belong to the window itself (other windows, closing).
#include "ui/MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCloseEvent>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "files/FileCommands.h"
#include "files/OrderListFile.h"
#include "files/RecoveryFile.h"
#include "model/Errors.h"
#include "model/MainForm.h"
#include "model/SignalDisplay.h"
#include "model/SignalEditing.h"
#include "model/Verschiedenes.h"
#include "run/MainCore.h"
#include "run/Journal.h"
#include "ui/HardInitDialog.h"
#include "ui/PaintBox.h"
#include "ui/ProgressWindow.h"
#include "ui/QtDialogs.h"
#include "ui/WindowSettings.h"

namespace tonvera {

MainWindow::MainWindow(Dialogs* dialogs, SerialLine* line, Pause* pause, QWidget* parent)
    : QMainWindow(parent), OwnDialogs(dialogs ? nullptr : std::make_unique<QtDialogs>(this)),
      Dlg(dialogs ? dialogs : OwnDialogs.get()), Guard([this](const std::string& text) { Dlg->errorBox(text); })
{
    buildLayout();

    // The core comes up as the window does: nothing selected, position 1,
    // empty tables, "Neu" applied to the edits, the port closed.
    Core = (line && pause) ? std::make_unique<MainCore>(*this, *Dlg, *line, *pause)
                           : std::make_unique<MainCore>(*this, *Dlg);
    Core->setProgressWindow(new ProgressWindow(this));
    Editing = std::make_unique<SignalEditing>(Core->form());
    Display = std::make_unique<MainDisplay>(Core->form());
    Display->SignalLengthShown = [this](double length) { Core->SignalLengthShown(length); };
    watchCore();
    wireJournal();
    wireHistory();
    wireEvents();
}

MainWindow::~MainWindow()
{
    // Widgets still send focus events while they are torn down; nothing may
    // reach the core from here on.
    for (QLineEdit* e : parameterEdits())
        e->removeEventFilter(this);
    Timer1->stop();
    for (QLineEdit* e : {AnzWieder, Startwert, OrderList})
        disconnect(e, nullptr, this, nullptr);
    RecoveryTimer->stop();
}

// --- Events into the core ----------------------------------------------------------

MainForm& MainWindow::form() { return Core->form(); }
TTonvera& MainWindow::device() { return Core->device(); }
SerialLine& MainWindow::line() { return Core->line(); }
FileCommands& MainWindow::files() { return Core->files(); }

void MainWindow::onClick(QAbstractButton* b, std::function<void()> body)
{
    connect(b, &QAbstractButton::clicked, this, [this, body = std::move(body)] { command(body); });
}

void MainWindow::onMenu(QAction* a, std::function<void()> body)
{
    connect(a, &QAction::triggered, this, [this, body = std::move(body)] { command(body); });
}

void MainWindow::wireEvents()
{
    SinusBox->onPaint = [this](QPainter& p) { paintSignalDisplay(p); };
    SinusBox->onMouseDown = [this](int, int y) { command([&] { Editing->SinusBoxMouseDown(y, SinusBox->height()); }); };
    ParPan->onPaint = [this](QPainter& p) { paintLabels(p, true); };
    Panel2->onPaint = [this](QPainter& p) { paintLabels(p, false); };

    for (QLineEdit* e : parameterEdits())
        e->installEventFilter(this);
    for (QCheckBox* c : displayChecks())
        onClick(c, [this] { Editing->PreDampExit(); });

    onClick(SinusSel, [this] { Editing->SinusSelClick(); });
    onClick(SinusEichSel, [this] { Editing->SinusEichSelClick(); });
    onClick(AMSel, [this] { Editing->AMSelClick(false); });
    onClick(AmSet, [this] { Editing->AMSelClick(true); });
    onClick(RechtSel, [this] { Editing->RechtSelClick(); });
    onClick(RauschenSel, [this] { Editing->RauschenSelClick(); });
    onClick(MuteSel, [this] { Editing->MuteSelClick(); });

    onClick(Button1, [this] { Editing->Button1Click(); });
    onClick(Button9, [this] { Editing->Button9Click(); });
    onClick(Button2, [this] { Editing->Button2Click(); });
    onClick(Button7, [this] { showWindow(SimWin, &MainWindowHooks::Button7Click, "Die Simulation"); });
    onClick(StartButton, [this] { Core->StartButtonClick(); });
    onClick(Button4, [this] { Core->Button4Click(); });
    onClick(Button5, [this] { Core->Button5Click(); });
    onClick(Button6, [this] { Core->Button6Click(); });
    onClick(ExternStart, [this] { Core->ExternStartClick(); });
    connect(Reihenfolge, &QComboBox::activated, this, [this] { command([this] { showOrderFields(); }); });
    onClick(OrderListFile, [this] { OrderListFileClick(); });

    onMenu(Neu1, [this] { Neu1Click(); });
    onMenu(Laden1, [this] { Laden1Click(); });
    onMenu(Speichern1, [this] { Speichern1Click(); });
    // "&Drucken" has no command.
    connect(Beenden1, &QAction::triggered, this, [this] { Beenden1Click(); });
    onMenu(NeueVariable1,
           [this] { showWindow(Variablen, &MainWindowHooks::NeueVariable1Click, "Der Variableneditor"); });
    onMenu(Hardware1, [this] { Hardware1Click(); });
    onMenu(Verschiedenes1,
           [this] { showWindow(Verschiedenes, &MainWindowHooks::Verschiedenes1Click, "Der Optionendialog"); });
    onMenu(Eichung, [this] { showWindow(EichForm, &MainWindowHooks::EichungClick, "Der Kalibriereditor"); });
    onMenu(Kalibrierdatenspeichern1, [this] { Core->files().Kalibrierdatenspeichern1Click(); });
    onMenu(Kalibrierdatenladen1, [this] { Core->files().Kalibrierdatenladen1Click(); });
    onMenu(Kalibrierassistent1, [this] {
        if (hooks.Kalibrierassistent1Click)
            hooks.Kalibrierassistent1Click();
    });
    onMenu(Version1, [this] { Version1Click(); });
    onMenu(Blockschaltbild1,
           [this] { showWindow(Block, &MainWindowHooks::Blockschaltbild1Click, "Das Blockschaltbild"); });

    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void MainWindow::OrderListFileClick()
{
    const std::optional<std::string> name =
        Dlg->openFileName("Listen (*.txt)|*.txt|Alle Dateien (*.*)|*.*", "*.txt", "");
    if (name)
        OrderList->setText(QString::fromStdString(ReadOrderListFile(*name)));
}

void MainWindow::Timer1Timer()
{
    // Ticks go on while editors, dialogs and boxes of other commands are
    // open: a run through the variables must advance and the external input
    // must be watched meanwhile. The run layer keeps a tick out of Start,
    // Stop, << and >>; the error box of a failed tick belongs to that tick,
    // so the next one waits until it is closed instead of piling up boxes.
    if (TickOpen)
        return;
    TickOpen = true;
    command([&] { Core->Timer1Timer(); });
    TickOpen = false;
}

// --- Commands of the window ------------------------------------------------------------

void MainWindow::showWindow(QDialog* w, std::function<void()> MainWindowHooks::*hook, const char* what)
{
    if (hooks.*hook) {
        (hooks.*hook)();
        return;
    }
    if (!w)
        throw AbortError(std::string(what) + " ist in dieser Version noch nicht verfügbar.");
    w->exec();
}

void MainWindow::FormCreate()
{
    // Status panels, then "default.cal" and "default.tva" from the working
    // directory; an error ends it there with the error shown.
    command([&] { Core->FormCreate(); });
    // Whatever the default files made of it, this is the start: unchanged.
    History.reset(TakeSnapshot(Core->state(), ReadGlobals(*this)));
    ProjectLoaded = false;
    offerRecovery();
    showHistory();
}

void MainWindow::Version1Click() { tonvera::Version1Click(*Dlg); }

void MainWindow::Hardware1Click()
{
    if (!HardInit)
        throw AbortError("Der Hardwaredialog ist in dieser Version noch nicht verfügbar.");
    HardInit->InitHardwareHook = [this](const std::string& port) {
        if (Core->InitHardware(port))
            RememberPort(port);
        if (line().isOpen())
            Log->setPort(port);
    };
    Core->Hardware1Click(*HardInit);
}

void MainWindow::FormClose()
{
    if (Closed)
        return;
    Closed = true;
    Timer1->stop();
    command([&] { Core->FormClose(); });
}

void MainWindow::Beenden1Click() { close(); }

void MainWindow::closeEvent(QCloseEvent* e)
{
    // Unsaved changes are saved, dropped or keep the window open, as the
    // operator answers; a save that failed keeps it open too.
    bool go = Closed;
    if (!Closed)
        command([&] { go = mayDropChanges(); });
    if (!go) {
        e->ignore();
        return;
    }
    FormClose();
    dropRecovery();
    e->accept();
}

} // namespace tonvera
