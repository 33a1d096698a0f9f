#include "ui/MainWindow.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <QCloseEvent>
#include <QDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>

#include "files/FileCommands.h"
#include "model/Errors.h"
#include "model/MainForm.h"
#include "run/MainCore.h"
#include "model/SignalDisplay.h"
#include "model/SignalEditing.h"
#include "model/Verschiedenes.h"
#include "ui/HardInitDialog.h"
#include "ui/PaintBox.h"
#include "ui/QtCanvas.h"
#include "ui/QtDialogs.h"

namespace tonvera {

namespace {

constexpr int TopPanelHeight = 70;
constexpr int ParPanHeight = 140;
constexpr int BottomPanelHeight = 41;
constexpr int RightPanelWidth = 164;
constexpr int SinusBoxBorder = 5;
constexpr int SinusBoxMinHeight = 260;
constexpr int EditHeight = 20;

QLabel* heading(QWidget* panel, const QString& text)
{
    auto* l = new QLabel(text, panel);
    QFont f = l->font();
    f.setPixelSize(17);
    f.setBold(true);
    l->setFont(f);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, QColor(128, 128, 128));
    l->setPalette(pal);
    l->move(8, 2);
    l->adjustSize();
    return l;
}

void colourEdit(QLineEdit* e, const QColor& base)
{
    QPalette pal = e->palette();
    pal.setColor(QPalette::Base, base);
    pal.setColor(QPalette::Text, Qt::white);
    e->setPalette(pal);
    e->setStyleSheet(QStringLiteral("QLineEdit { background-color: %1; color: white; }").arg(base.name()));
}

} // namespace

MainWindow::MainWindow(Dialogs* dialogs, SerialLine* line, Pause* pause, QWidget* parent)
    : QMainWindow(parent),
      OwnDialogs(dialogs ? nullptr : std::make_unique<QtDialogs>(this)),
      Dlg(dialogs ? dialogs : OwnDialogs.get()),
      Guard([this](const std::string& text) { Dlg->errorBox(text); })
{
    setObjectName("MainForm");
    setWindowTitle("Tonvera");
    // The design is laid out for an 8-point face; a fixed pixel size keeps
    // the edits, their labels and the lanes in proportion on every screen.
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    buildMenu();

    Panel2 = new PaintBox(central);
    Panel2->setObjectName("Panel2");
    Panel2->setFixedHeight(TopPanelHeight);
    column->addWidget(Panel2);
    buildTopPanel();

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    Panel3 = new QWidget(central);
    Panel3->setObjectName("Panel3");
    auto* p3 = new QVBoxLayout(Panel3);
    p3->setContentsMargins(SinusBoxBorder, SinusBoxBorder, SinusBoxBorder, SinusBoxBorder);
    SinusBox = new PaintBox(Panel3);
    SinusBox->setObjectName("SinusBox");
    SinusBox->setMinimumHeight(SinusBoxMinHeight);
    SinusBox->setMinimumWidth(200);
    SinusBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    p3->addWidget(SinusBox);
    middle->addWidget(Panel3, 1);
    Panel5 = new QWidget(central);
    Panel5->setObjectName("Panel5");
    Panel5->setFixedWidth(RightPanelWidth);
    middle->addWidget(Panel5);
    buildRightPanel();
    column->addLayout(middle, 1);

    ParPan = new PaintBox(central);
    ParPan->setObjectName("ParPan");
    ParPan->setFixedHeight(ParPanHeight);
    column->addWidget(ParPan);
    buildParameterPanel();

    auto* bottom = new QWidget(central);
    bottom->setObjectName("pnBottom");
    bottom->setFixedHeight(BottomPanelHeight);
    column->addWidget(bottom);
    auto* row = new QHBoxLayout(bottom);
    row->setContentsMargins(8, 6, 8, 6);
    row->setSpacing(8);
    auto button = [&](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, bottom);
        b->setObjectName(name);
        b->setMinimumWidth(100);
        row->addWidget(b);
        return b;
    };
    Button1 = button("Button1", "&Neues Signal");
    Button9 = button("Button9", "Signal kopieren");
    Button2 = button("Button2", "Signal &löschen");
    Button7 = button("Button7", "S&imulieren");
    row->addStretch(1);
    StartButton = button("StartButton", "S&tart");
    Button4 = button("Button4", "Sto&p");

    buildStatusBar();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(50);

    resize(DesignWidth, DesignHeight);

    // The core comes up as the window does: nothing selected, position 1,
    // empty tables, "Neu" applied to the edits, the port closed.
    Core = (line && pause) ? std::make_unique<MainCore>(*this, *Dlg, *line, *pause)
                           : std::make_unique<MainCore>(*this, *Dlg);
    Editing = std::make_unique<SignalEditing>(Core->form());
    Display = std::make_unique<MainDisplay>(Core->form());
    Display->SignalLengthShown = [this](double length) {
        // The device always holds the length the display shows, unless it
        // is playing.
        TTonvera& device = Core->device();
        if (!device.Running)
            device.SetSignalLength(Repeated->isChecked(), length);
    };
    wireEvents();
}

MainWindow::~MainWindow()
{
    // Widgets still send focus events while they are torn down; nothing may
    // reach the core from here on.
    for (QLineEdit* e : parameterEdits())
        e->removeEventFilter(this);
    Timer1->stop();
}

void MainWindow::buildMenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    auto item = [](QMenu* m, const char* name, const QString& caption) {
        QAction* a = m->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    QMenu* datei = bar->addMenu("&Datei");
    Neu1 = item(datei, "Neu1", "&Neu");
    Laden1 = item(datei, "Laden1", "&Laden");
    Speichern1 = item(datei, "Speichern1", "&Speichern");
    Drucken1 = item(datei, "Drucken1", "&Drucken");
    Beenden1 = item(datei, "Beenden1", "&Beenden");
    QMenu* variablen = bar->addMenu("&Variablen");
    NeueVariable1 = item(variablen, "NeueVariable1", "&Konfigurieren");
    QMenu* einst = bar->addMenu("&Einstellungen");
    Hardware1 = item(einst, "Hardware1", "&Hardware");
    Verschiedenes1 = item(einst, "Verschiedenes1", "&Verschiedenes");
    Eichung = item(einst, "Eichung", "&Kalibrierung");
    Kalibrierdatenspeichern1 = item(einst, "Kalibrierdatenspeichern1", "Kalibrierdaten &speichern");
    Kalibrierdatenladen1 = item(einst, "Kalibrierdatenladen1", "Kalibrierdaten &laden");
    QMenu* hilfe = bar->addMenu("Hilfe");
    Version1 = item(hilfe, "Version1", "Version");
    Blockschaltbild1 = item(hilfe, "Blockschaltbild1", "Blockschaltbild");
}

QLineEdit* MainWindow::makeEdit(QWidget* panel, const char* name, int left, int top, int width)
{
    auto* e = new QLineEdit(panel);
    e->setObjectName(name);
    e->setGeometry(left, top, width, EditHeight);
    e->setTextMargins(0, 0, 0, 0);
    return e;
}

QCheckBox* MainWindow::makeCheck(QWidget* panel, const char* name, int left, int top)
{
    auto* c = new QCheckBox(panel);
    c->setObjectName(name);
    c->move(left, top);
    c->resize(c->sizeHint().width(), 17);
    c->setChecked(true);
    return c;
}

void MainWindow::buildTopPanel()
{
    heading(Panel2, "Globale Parameter");
    Signaldauer = makeEdit(Panel2, "Signaldauer", 241, 22, 49);
    Triggerstart = makeEdit(Panel2, "Triggerstart", 353, 22, 49);
    Triggerstop = makeEdit(Panel2, "Triggerstop", 465, 22, 49);
    EndDamp = makeEdit(Panel2, "EndDamp", 569, 22, 49);
    for (QLineEdit* e : {Signaldauer, Triggerstart, Triggerstop, EndDamp})
        e->setText("0");
    colourEdit(Triggerstart, QColor(0, 0, 255));
    colourEdit(Triggerstop, QColor(128, 0, 128));
}

void MainWindow::buildRightPanel()
{
    auto* col = new QVBoxLayout(Panel5);
    col->setContentsMargins(6, 4, 8, 4);
    col->setSpacing(3);
    auto* title = new QLabel("Ausgabeoptionen", Panel5);
    QFont tf = title->font();
    tf.setBold(true);
    title->setFont(tf);
    col->addWidget(title);

    auto* rep = new QHBoxLayout;
    auto* repLabel = new QLabel("Wiederholungen:", Panel5);
    AnzWieder = new QLineEdit("1", Panel5);
    AnzWieder->setObjectName("AnzWieder");
    AnzWieder->setFixedSize(49, EditHeight);
    rep->addWidget(repLabel);
    rep->addWidget(AnzWieder);
    rep->addStretch(1);
    col->addLayout(rep);

    Repeated = new QCheckBox("Unendlich", Panel5);
    Repeated->setObjectName("Repeated");
    col->addWidget(Repeated);
    ExternStart = new QCheckBox("Externes Starten", Panel5);
    ExternStart->setObjectName("ExternStart");
    col->addWidget(ExternStart);

    PrioGroup = new QGroupBox("Priorität", Panel5);
    PrioGroup->setObjectName("PrioGroup");
    auto* pg = new QVBoxLayout(PrioGroup);
    pg->setContentsMargins(6, 4, 6, 4);
    pg->setSpacing(2);
    Wiederzuerst = new QRadioButton("Wieder.->Variablen", PrioGroup);
    Wiederzuerst->setObjectName("Wiederzuerst");
    Wiederzuerst->setChecked(true);
    Variablezuerst = new QRadioButton("Variablen->Wieder.", PrioGroup);
    Variablezuerst->setObjectName("Variablezuerst");
    pg->addWidget(Wiederzuerst);
    pg->addWidget(Variablezuerst);
    col->addWidget(PrioGroup);

    VarGroup = new QGroupBox("Variablen", Panel5);
    VarGroup->setObjectName("VarGroup");
    auto* vg = new QVBoxLayout(VarGroup);
    vg->setContentsMargins(6, 4, 6, 4);
    vg->setSpacing(2);
    varcheck = new QCheckBox("Durchlaufen", VarGroup);
    varcheck->setObjectName("varcheck");
    vg->addWidget(varcheck);
    auto* steps = new QHBoxLayout;
    Button5 = new QPushButton("<<", VarGroup);
    Button5->setObjectName("Button5");
    Button5->setFixedWidth(36);
    AktVar = new QLabel("1", VarGroup);
    AktVar->setObjectName("AktVar");
    AktVar->setAlignment(Qt::AlignCenter);
    Button6 = new QPushButton(">>", VarGroup);
    Button6->setObjectName("Button6");
    Button6->setFixedWidth(36);
    steps->addWidget(Button5);
    steps->addWidget(AktVar, 1);
    steps->addWidget(Button6);
    vg->addLayout(steps);
    col->addWidget(VarGroup);
    col->addStretch(1);
}

void MainWindow::buildParameterPanel()
{
    heading(ParPan, "Lokale Parameter");
    // Left to right in the time order of a signal: start, rise, frequency
    // and phase, plateau and attenuation, fall.
    Start = makeEdit(ParPan, "Start", 32, 56, 65);
    RampUp = makeEdit(ParPan, "RampUp", 168, 56, 65);
    Freq = makeEdit(ParPan, "Freq", 296, 24, 65);
    Phase = makeEdit(ParPan, "Phase", 296, 96, 49);
    Stop = makeEdit(ParPan, "Stop", 456, 24, 65);
    Ampl = makeEdit(ParPan, "Ampl", 456, 96, 65);
    RampDown = makeEdit(ParPan, "RampDown", 608, 56, 65);
    StartCheck = makeCheck(ParPan, "StartCheck", 8, 59);
    RampUpCheck = makeCheck(ParPan, "RampUpCheck", 144, 59);
    FreqCheck = makeCheck(ParPan, "FreqCheck", 272, 27);
    PhaseCheck = makeCheck(ParPan, "PhaseCheck", 272, 99);
    StopCheck = makeCheck(ParPan, "StopCheck", 432, 27);
    AmplCheck = makeCheck(ParPan, "AmplCheck", 432, 99);
    RampDownCheck = makeCheck(ParPan, "RampDownCheck", 584, 59);

    TypGroup = new QGroupBox("Signaltyp", ParPan);
    TypGroup->setObjectName("TypGroup");
    TypGroup->resize(150, ParPanHeight - 8);
    auto radio = [&](const char* name, const QString& caption, int row) {
        auto* r = new QRadioButton(caption, TypGroup);
        r->setObjectName(name);
        // As wide as its caption, so a click beside the text does not count.
        r->setGeometry(10, 18 + row * 18, r->sizeHint().width(), 18);
        return r;
    };
    SinusSel = radio("SinusSel", "Sinus", 0);
    SinusEichSel = radio("SinusEichSel", "Sinus (geeicht)", 1);
    AMSel = radio("AMSel", "AM", 2);
    RechtSel = radio("RechtSel", "Rechteck", 3);
    RauschenSel = radio("RauschenSel", "Rauschen", 4);
    MuteSel = radio("MuteSel", "Mute", 5);
    AmSet = new QPushButton("Set", TypGroup);
    AmSet->setObjectName("AmSet");
    AmSet->setGeometry(64, 18 + 2 * 18, 44, 18);
    AmSet->setAutoDefault(false);
    TypCheck = makeCheck(TypGroup, "TypCheck", 150 - 24, 2);
    // No radio button is checked until a signal is shown: the commit then
    // leaves the type alone. Radio buttons sharing the group box exclude
    // each other by themselves.
}

void MainWindow::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName("StatusBar");
    bar->setSizeGripEnabled(true);
    const std::array<const char*, 4> texts{"Status", "Hardware nicht initialisiert", "Signal", "EichStatus"};
    const std::array<int, 4> widths{200, 250, 200, 50};
    for (int i = 0; i < 4; ++i) {
        auto* l = new QLabel(QString::fromUtf8(texts[i]), bar);
        l->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setMinimumWidth(widths[i]);
        if (i < 3)
            l->setFixedWidth(widths[i]);
        bar->addWidget(l, i == 3 ? 1 : 0);
        StatusPanel[i] = l;
    }
}

void MainWindow::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    // The type group sits at the right edge of the parameter panel.
    TypGroup->move(std::max(700, ParPan->width() - TypGroup->width() - 8), 4);
}

std::array<QLineEdit*, 11> MainWindow::parameterEdits() const
{
    return {Freq, Phase, Ampl, Start, Stop, RampUp, RampDown, EndDamp, Signaldauer, Triggerstart, Triggerstop};
}

std::array<QLineEdit*, 7> MainWindow::localEdits() const { return {Freq, Phase, Ampl, Start, Stop, RampUp, RampDown}; }

std::array<QCheckBox*, 8> MainWindow::displayChecks() const
{
    return {StartCheck, RampUpCheck, FreqCheck, PhaseCheck, StopCheck, AmplCheck, RampDownCheck, TypCheck};
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
    SinusBox->onMouseDown = [this](int, int y) {
        command([&] { Editing->SinusBoxMouseDown(y, SinusBox->height()); });
    };
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

    onMenu(Neu1, [this] { Core->form().Neu1Click(); });
    onMenu(Laden1, [this] { Core->files().Laden1Click(); });
    onMenu(Speichern1, [this] { Core->files().Speichern1Click(); });
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
    onMenu(Version1, [this] { Version1Click(); });
    onMenu(Blockschaltbild1,
           [this] { showWindow(Block, &MainWindowHooks::Blockschaltbild1Click, "Das Blockschaltbild"); });

    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
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

bool MainWindow::eventFilter(QObject* watched, QEvent* e)
{
    auto* lineEdit = qobject_cast<QLineEdit*>(watched);
    if (!lineEdit || !Editing)
        return QMainWindow::eventFilter(watched, e);
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        // Enter commits here; Tab commits by leaving the edit (below), so
        // it is not handled twice. Every key goes on to the edit unchanged.
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !Guard.busy())
            command([&] { Editing->FreqKeyPress(SignalEditing::KeyEnter); });
    } else if (e->type() == QEvent::FocusOut) {
        const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
        // The operator left the edit (Tab, a click elsewhere). Losing the
        // focus to a message box, a menu or another window is not leaving,
        // and neither is a command disabling the edit while it runs.
        const bool left = why == Qt::TabFocusReason || why == Qt::BacktabFocusReason ||
                          why == Qt::MouseFocusReason || why == Qt::ShortcutFocusReason ||
                          why == Qt::OtherFocusReason;
        if (left && !Guard.busy() && !Closed)
            command([&] { Editing->PreDampExit(); });
    }
    return QMainWindow::eventFilter(watched, e);
}

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
        MainDisplay::IconPaintPaint(canvas, {place(EndDamp), place(Signaldauer), place(Triggerstart), place(Triggerstop)});
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
}

void MainWindow::Version1Click() { tonvera::Version1Click(*Dlg); }

void MainWindow::Hardware1Click()
{
    if (!HardInit)
        throw AbortError("Der Hardwaredialog ist in dieser Version noch nicht verfügbar.");
    HardInit->InitHardwareHook = [this](const std::string& port) { Core->InitHardware(port); };
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
    // Closing is never refused; nothing is saved.
    FormClose();
    e->accept();
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
