// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PreviewWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "files/ProjectFile.h"
#include "files/TextFile.h"
#include "model/Errors.h"
#include "model/MainForm.h"
#include "model/Numbers.h"
#include "model/PositionOrder.h"
#include "preview/PreviewWorker.h"
#include "ui/MainWindow.h"
#include "ui/PreviewViews.h"

namespace tonvera {

using preview::PreviewRun;

namespace {

constexpr int PollMs = 250;
// A pause in the operator's changes this long starts a computation.
constexpr int DebounceMs = 300;
// The rate tonvera-cli render writes by default.
constexpr std::uint32_t WavRate = 48000;

} // namespace

PreviewWindow::PreviewWindow(MainWindow& main) : QDialog(&main), Main(main)
{
    setObjectName("Vorschau");
    setWindowTitle("Vorschau");
    setModal(false);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    resize(1000, 640);

    auto* top = new QHBoxLayout;
    auto button = [&](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        top->addWidget(b);
        return b;
    };
    PrevButton = button("PreviewPrev", "<<");
    PrevButton->setFixedWidth(36);
    PositionLabel = new QLabel(this);
    PositionLabel->setObjectName("PreviewPos");
    PositionLabel->setMinimumWidth(140);
    PositionLabel->setAlignment(Qt::AlignCenter);
    top->addWidget(PositionLabel);
    NextButton = button("PreviewNext", ">>");
    NextButton->setFixedWidth(36);
    top->addSpacing(12);
    FitButton = button("PreviewFit", "Einpassen");
    PngButton = button("PreviewPng", "Bild speichern...");
    WavButton = button("PreviewWav", "WAV speichern...");
    top->addSpacing(12);
    OverflowLabel = new QLabel(this);
    OverflowLabel->setObjectName("PreviewOverflow");
    top->addWidget(OverflowLabel, 1);

    MessageLabel = new QLabel(this);
    MessageLabel->setObjectName("PreviewMessage");
    MessageLabel->setStyleSheet("color: #c00000");
    MessageLabel->setWordWrap(true);
    MessageLabel->hide();

    TimeView = new PreviewTimeView(this);
    SpectrumView = new PreviewSpectrumView(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(MessageLabel);
    layout->addWidget(TimeView, 3);
    layout->addWidget(SpectrumView, 2);

    TimeView->SpanChanged = [this] {
        if (Run && Run->valid)
            SpectrumView->Data = preview::SpectrumOf(*Run, std::int64_t(TimeView->From), std::int64_t(TimeView->To));
        else
            SpectrumView->Data = {};
        SpectrumView->update();
    };

    Poll = new QTimer(this);
    Poll->setInterval(PollMs);
    connect(Poll, &QTimer::timeout, this, [this] { follow(); });
    Debounce = new QTimer(this);
    Debounce->setSingleShot(true);
    Debounce->setInterval(DebounceMs);
    connect(Debounce, &QTimer::timeout, this, [this] { request(); });

    connect(PrevButton, &QPushButton::clicked, this, [this] { step(-1); });
    connect(NextButton, &QPushButton::clicked, this, [this] { step(+1); });
    connect(FitButton, &QPushButton::clicked, this, [this] { fit(); });
    connect(PngButton, &QPushButton::clicked, this, [this] { savePng(); });
    connect(WavButton, &QPushButton::clicked, this, [this] { saveWav(); });
    // The main window's own handlers run first (they were connected first),
    // so its new position is there to be followed at once.
    for (const char* name : {"Button5", "Button6"})
        connect(Main.findChild<QPushButton*>(name), &QPushButton::clicked, this, [this] {
            if (isVisible())
                follow();
        });

    Worker = std::make_unique<preview::PreviewWorker>(
        [this](std::shared_ptr<const PreviewRun> run, std::uint64_t generation) {
            // Back on the window's thread; dropped if the window is gone.
            QMetaObject::invokeMethod(
                this, [this, run = std::move(run), generation]() mutable { accept(std::move(run), generation); },
                Qt::QueuedConnection);
        });
    showPosition();
}

PreviewWindow::~PreviewWindow()
{
    // The worker's thread ends before the widgets it posts to go.
    Worker.reset();
}

double PreviewWindow::viewFrom() const { return TimeView->From; }
double PreviewWindow::viewTo() const { return TimeView->To; }

void PreviewWindow::VorschauClick()
{
    show();
    raise();
    activateWindow();
}

void PreviewWindow::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    follow();
    Poll->start();
}

void PreviewWindow::hideEvent(QHideEvent* e)
{
    Poll->stop();
    Debounce->stop();
    QDialog::hideEvent(e);
}

preview::PreviewInput PreviewWindow::inputNow() const
{
    preview::PreviewInput in;
    in.state = Main.form().state();
    // What the display and the run keep for themselves does not change the
    // output.
    in.state.SelectedSignal = -1;
    in.state.TimeScale = 0;
    in.state.OverflowSeen = false;
    in.state.SavedVariPos = 0;
    in.state.RepeatsLeft = 0;
    in.state.TastHigh = false;
    in.state.VariPos = 0;
    in.globals = ReadGlobals(Main);
    in.priority = Main.priority();
    in.position = Position;
    return in;
}

void PreviewWindow::follow()
{
    const int mainPos = std::max(1, Main.form().state().VariPos);
    if (mainPos != MainPosition) {
        MainPosition = mainPos;
        Position = mainPos;
        showPosition();
        request();
        return;
    }
    // The pause is counted from the last change seen, not from every poll.
    preview::PreviewInput now = inputNow();
    if (Requested && now == *Requested)
        return;
    if (!Seen || !(now == *Seen)) {
        Seen = std::move(now);
        Debounce->start();
    }
}

std::vector<std::int32_t> PreviewWindow::order() const
{
    try {
        return SimulationOrder(Main.order(), Main.form().state().VariTable.PositionCount());
    } catch (const AbortError&) {
        // Start reports the list; until it is mended the preview walks up.
        return {};
    }
}

void PreviewWindow::step(int delta)
{
    // << and >> go through the positions in the order a run plays them.
    const std::vector<std::int32_t> pass = order();
    if (pass.empty()) {
        const int count = std::max(1, Main.form().state().VariTable.PositionCount());
        Position = std::clamp(Position + delta, 1, count);
    } else {
        // The main window's << and >> may have moved the position meanwhile:
        // go on from its first presentation.
        const int last = int(pass.size()) - 1;
        if (OrderStep > last || pass[std::size_t(OrderStep)] != Position) {
            const auto at = std::find(pass.begin(), pass.end(), Position);
            OrderStep = at == pass.end() ? 0 : int(at - pass.begin());
        }
        OrderStep = std::clamp(OrderStep + delta, 0, last);
        Position = pass[std::size_t(OrderStep)];
    }
    showPosition();
    request();
}

void PreviewWindow::request()
{
    Debounce->stop();
    Requested = inputNow();
    Worker->request(*Requested, ++Generation);
}

void PreviewWindow::accept(std::shared_ptr<const PreviewRun> run, std::uint64_t generation)
{
    if (generation != Generation)
        return;
    Run = std::move(run);
    Position = Run->position;
    showPosition();

    QStringList lines;
    for (const std::string& m : Run->messages)
        lines << QString::fromStdString(m);
    MessageLabel->setText(lines.join("\n"));
    MessageLabel->setVisible(!lines.isEmpty());
    if (!Run->valid)
        OverflowLabel->setText("");
    else if (Run->firstOverflow)
        OverflowLabel->setText(QString::fromStdString(
            "<span style='color:#d00000'><b>Überlauf ab " +
            FormatGeneral(double(*Run->firstOverflow) / preview::TicksPerMs, 7) + " ms</b></span>"));
    else if (Run->cancelled)
        OverflowLabel->setText("");
    else
        OverflowLabel->setText("Kein Überlauf");
    PngButton->setEnabled(Run->valid);
    WavButton->setEnabled(Run->valid);

    TimeView->newRun(Run);
    // The same span shows a new run: its spectrum changed too.
    TimeView->SpanChanged();
}

void PreviewWindow::showPosition()
{
    const int count = Main.form().state().VariTable.PositionCount();
    QString text =
        count > 0 ? QString("Position %1 von %2").arg(Position).arg(count) : QString("Position %1").arg(Position);
    const std::vector<std::int32_t> pass = order();
    if (!pass.empty() && OrderStep >= 0 && std::size_t(OrderStep) < pass.size() &&
        pass[std::size_t(OrderStep)] == Position)
        text += ", " + QString::fromStdString(PresentationText(OrderStep + 1, std::int32_t(pass.size())));
    PositionLabel->setText(text);
}

void PreviewWindow::fit()
{
    if (Run)
        TimeView->setSpan(0, double(Run->endTick));
}

void PreviewWindow::savePng()
{
    const auto name =
        Main.dialogs().saveFileName("PNG-Bilder (*.png)|*.png|Alle Dateien (*.*)|*.*", "*.png", "vorschau.png");
    if (!name)
        return;
    // The visible picture: the time view and the spectrum as they are drawn.
    QPixmap picture(TimeView->width(), TimeView->height() + SpectrumView->height());
    picture.fill(Qt::white);
    TimeView->render(&picture, QPoint(0, 0));
    SpectrumView->render(&picture, QPoint(0, TimeView->height()));
    if (!picture.save(QString::fromStdString(*name), "PNG")) {
        MessageLabel->setText(QString::fromStdString("Bild konnte nicht gespeichert werden: " + *name));
        MessageLabel->show();
    }
}

void PreviewWindow::saveWav()
{
    if (!Run || !Run->valid)
        return;
    const auto name =
        Main.dialogs().saveFileName("WAV-Dateien (*.wav)|*.wav|Alle Dateien (*.*)|*.*", "*.wav", "vorschau.wav");
    if (!name)
        return;
    try {
        WriteFileAtomically(*name, preview::WavOf(*Run, WavRate));
    } catch (const AbortError& e) {
        MessageLabel->setText(QString::fromStdString(e.text()));
        MessageLabel->show();
    }
}

PreviewWindow* InstallPreview(MainWindow& main)
{
    auto* window = new PreviewWindow(main);
    QMenu* hilfe = nullptr;
    for (QAction* a : main.menuBar()->actions())
        if (a->menu() && a->text() == "Hilfe")
            hilfe = a->menu();
    if (!hilfe)
        hilfe = main.menuBar()->addMenu("Hilfe");
    QAction* item = hilfe->addAction("Vorschau");
    item->setObjectName("Vorschau1");
    item->setShortcut(QKeySequence(Qt::Key_F9));
    QObject::connect(item, &QAction::triggered, window, [window] { window->VorschauClick(); });
    return window;
}

} // namespace tonvera
