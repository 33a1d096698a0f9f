// SPDX-License-Identifier: GPL-3.0-or-later
// Where the main window's controls sit: the panels, the edits at their
// design coordinates, the menu and the status bar. Nothing here talks to
// the core; MainWindow.cpp wires the controls once they exist.
#include "ui/MainWindow.h"

#include <QAction>
#include <QButtonGroup>
#include <QByteArray>
#include <QCheckBox>
#include <QComboBox>
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

#include "ui/Named.h"
#include "ui/PaintBox.h"

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

void MainWindow::buildLayout()
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

    Panel2 = Named<PaintBox>("Panel2", central);
    Panel2->setFixedHeight(TopPanelHeight);
    column->addWidget(Panel2);
    buildTopPanel();

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    Panel3 = Named<QWidget>("Panel3", central);
    auto* p3 = new QVBoxLayout(Panel3);
    p3->setContentsMargins(SinusBoxBorder, SinusBoxBorder, SinusBoxBorder, SinusBoxBorder);
    SinusBox = Named<PaintBox>("SinusBox", Panel3);
    SinusBox->setMinimumHeight(SinusBoxMinHeight);
    SinusBox->setMinimumWidth(200);
    SinusBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    p3->addWidget(SinusBox);
    middle->addWidget(Panel3, 1);
    Panel5 = Named<QWidget>("Panel5", central);
    Panel5->setFixedWidth(RightPanelWidth);
    middle->addWidget(Panel5);
    buildRightPanel();
    column->addLayout(middle, 1);

    ParPan = Named<PaintBox>("ParPan", central);
    ParPan->setFixedHeight(ParPanHeight);
    column->addWidget(ParPan);
    buildParameterPanel();

    auto* bottom = Named<QWidget>("pnBottom", central);
    bottom->setFixedHeight(BottomPanelHeight);
    column->addWidget(bottom);
    auto* row = new QHBoxLayout(bottom);
    row->setContentsMargins(8, 6, 8, 6);
    row->setSpacing(8);
    auto button = [&](const char* name, const QString& caption) {
        auto* b = Named<QPushButton>(name, caption, bottom);
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

    Timer1 = Named<QTimer>("Timer1", this);
    Timer1->setInterval(50);

    resize(DesignWidth, DesignHeight);
}

void MainWindow::buildMenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    // Each item: its menu, the action it becomes, its design name, caption.
    struct Item {
        const char* menu;
        QAction* MainWindow::*action;
        const char* name;
        const char* caption;
    };
    const Item items[] = {
        {"&Datei", &MainWindow::Neu1, "Neu1", "&Neu"},
        {"&Datei", &MainWindow::Laden1, "Laden1", "&Laden"},
        {"&Datei", &MainWindow::Speichern1, "Speichern1", "&Speichern"},
        {"&Datei", &MainWindow::Drucken1, "Drucken1", "&Drucken"},
        {"&Datei", &MainWindow::Beenden1, "Beenden1", "&Beenden"},
        {"&Variablen", &MainWindow::NeueVariable1, "NeueVariable1", "&Konfigurieren"},
        {"&Einstellungen", &MainWindow::Hardware1, "Hardware1", "&Hardware"},
        {"&Einstellungen", &MainWindow::Verschiedenes1, "Verschiedenes1", "&Verschiedenes"},
        {"&Einstellungen", &MainWindow::Eichung, "Eichung", "&Kalibrierung"},
        {"&Einstellungen", &MainWindow::Kalibrierdatenspeichern1, "Kalibrierdatenspeichern1",
         "Kalibrierdaten &speichern"},
        {"&Einstellungen", &MainWindow::Kalibrierdatenladen1, "Kalibrierdatenladen1", "Kalibrierdaten &laden"},
        {"&Einstellungen", &MainWindow::Protokoll1, "Protokoll1", "&Protokoll..."},
        {"&Einstellungen", &MainWindow::Protokollordner1, "Protokollordner1", "Protokollordner &öffnen"},
        {"Kalibrierung", &MainWindow::Kalibrierassistent1, "Kalibrierassistent1", "Kalibrierassistent..."},
        {"Hilfe", &MainWindow::Version1, "Version1", "Version"},
        {"Hilfe", &MainWindow::Blockschaltbild1, "Blockschaltbild1", "Blockschaltbild"},
    };
    QMenu* menu = nullptr;
    for (const Item& item : items) {
        if (!menu || menu->title() != QLatin1String(item.menu))
            menu = bar->addMenu(QString::fromUtf8(item.menu));
        QAction* a = menu->addAction(QString::fromUtf8(item.caption));
        a->setObjectName(item.name);
        this->*item.action = a;
    }
}

QLineEdit* MainWindow::makeEdit(QWidget* panel, const char* name, int left, int top, int width)
{
    auto* e = Named<QLineEdit>(name, panel);
    e->setGeometry(left, top, width, EditHeight);
    e->setTextMargins(0, 0, 0, 0);
    return e;
}

QCheckBox* MainWindow::makeCheck(QWidget* panel, const char* name, int left, int top)
{
    auto* c = Named<QCheckBox>(name, panel);
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
    rep->addWidget(new QLabel("Wiederholungen:", Panel5));
    AnzWieder = Named<QLineEdit>("AnzWieder", "1", Panel5);
    AnzWieder->setFixedSize(49, EditHeight);
    rep->addWidget(AnzWieder);
    rep->addStretch(1);
    col->addLayout(rep);

    Repeated = Named<QCheckBox>("Repeated", "Unendlich", Panel5);
    ExternStart = Named<QCheckBox>("ExternStart", "Externes Starten", Panel5);
    col->addWidget(Repeated);
    col->addWidget(ExternStart);

    // A titled group holding a column of controls.
    auto group = [&](QGroupBox*& box, const char* name, const QString& title) {
        box = Named<QGroupBox>(name, title, Panel5);
        col->addWidget(box);
        auto* inner = new QVBoxLayout(box);
        inner->setContentsMargins(6, 4, 6, 4);
        inner->setSpacing(2);
        return inner;
    };
    QVBoxLayout* prio = group(PrioGroup, "PrioGroup", "Priorität");
    Wiederzuerst = Named<QRadioButton>("Wiederzuerst", "Wieder.->Variablen", PrioGroup);
    Wiederzuerst->setChecked(true);
    Variablezuerst = Named<QRadioButton>("Variablezuerst", "Variablen->Wieder.", PrioGroup);
    prio->addWidget(Wiederzuerst);
    prio->addWidget(Variablezuerst);

    QVBoxLayout* var = group(VarGroup, "VarGroup", "Variablen");
    // The order's controls take the room the group's spacing had.
    var->setSpacing(1);
    varcheck = Named<QCheckBox>("varcheck", "Durchlaufen", VarGroup);
    var->addWidget(varcheck);
    // The panel is too narrow for the caption and the choice on one line.
    var->addWidget(new QLabel("Reihenfolge", VarGroup));
    Reihenfolge = Named<QComboBox>("Reihenfolge", VarGroup);
    for (std::string_view caption : OrderCaptions)
        Reihenfolge->addItem(QString::fromUtf8(caption.data(), qsizetype(caption.size())));
    var->addWidget(Reihenfolge);
    auto* list = new QHBoxLayout;
    Startwert = Named<QLineEdit>("Startwert", "", VarGroup);
    Startwert->setPlaceholderText(SeedPlaceholder);
    Startwert->setFixedHeight(EditHeight);
    list->addWidget(Startwert, 3);
    OrderList = Named<QLineEdit>("OrderList", "", VarGroup);
    OrderList->setPlaceholderText("Liste");
    OrderList->setFixedHeight(EditHeight);
    OrderListFile = Named<QPushButton>("OrderListFile", "...", VarGroup);
    OrderListFile->setToolTip("Liste aus einer Datei lesen");
    OrderListFile->setFixedSize(24, EditHeight + 2);
    list->addWidget(OrderList, 2);
    list->addWidget(OrderListFile);
    var->addLayout(list);
    auto* steps = new QHBoxLayout;
    Button5 = Named<QPushButton>("Button5", "<<", VarGroup);
    AktVar = Named<QLabel>("AktVar", "1", VarGroup);
    AktVar->setAlignment(Qt::AlignCenter);
    Button6 = Named<QPushButton>("Button6", ">>", VarGroup);
    for (QPushButton* b : {Button5, Button6})
        b->setFixedWidth(36);
    steps->addWidget(Button5);
    steps->addWidget(AktVar, 1);
    steps->addWidget(Button6);
    var->addLayout(steps);
    Darbietung = Named<QLabel>("Darbietung", "", VarGroup);
    Darbietung->setAlignment(Qt::AlignCenter);
    var->addWidget(Darbietung);
    col->addStretch(1);
}

void MainWindow::buildParameterPanel()
{
    heading(ParPan, "Lokale Parameter");
    // Left to right in the time order of a signal: start, rise, frequency
    // and phase, plateau and attenuation, fall. Each edit has its display
    // check box (its name and "Check") just left of it, on its line.
    struct Place {
        QLineEdit* MainWindow::*edit;
        QCheckBox* MainWindow::*check;
        const char* name;
        int left, top, width;
    };
    const Place places[] = {
        {&MainWindow::Start, &MainWindow::StartCheck, "Start", 32, 56, 65},
        {&MainWindow::RampUp, &MainWindow::RampUpCheck, "RampUp", 168, 56, 65},
        {&MainWindow::Freq, &MainWindow::FreqCheck, "Freq", 296, 24, 65},
        {&MainWindow::Phase, &MainWindow::PhaseCheck, "Phase", 296, 96, 49},
        {&MainWindow::Stop, &MainWindow::StopCheck, "Stop", 456, 24, 65},
        {&MainWindow::Ampl, &MainWindow::AmplCheck, "Ampl", 456, 96, 65},
        {&MainWindow::RampDown, &MainWindow::RampDownCheck, "RampDown", 608, 56, 65},
    };
    // All edits first, then the boxes: the order Tab walks them in.
    for (const Place& p : places)
        this->*p.edit = makeEdit(ParPan, p.name, p.left, p.top, p.width);
    for (const Place& p : places)
        this->*p.check = makeCheck(ParPan, (QByteArray(p.name) + "Check").constData(), p.left - 24, p.top + 3);

    TypGroup = Named<QGroupBox>("TypGroup", "Signaltyp", ParPan);
    TypGroup->resize(150, ParPanHeight - 8);
    auto radio = [&](const char* name, const QString& caption, int row) {
        auto* r = Named<QRadioButton>(name, caption, TypGroup);
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
    AmSet = Named<QPushButton>("AmSet", "Set", TypGroup);
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
    StatusDarbietung = Named<QLabel>("StatusDarbietung", bar);
    StatusDarbietung->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusDarbietung->setMinimumWidth(110);
    bar->addPermanentWidget(StatusDarbietung);
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

} // namespace tonvera
