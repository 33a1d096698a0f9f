#include "ui/PreviewWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "files/ProjectFile.h"
#include "files/TextFile.h"
#include "model/Errors.h"
#include "model/MainForm.h"
#include "model/Numbers.h"
#include "preview/PreviewWorker.h"
#include "ui/MainWindow.h"

namespace tonvera {

using preview::PreviewRun;

namespace {

constexpr double TicksPerMs = double(emu::ClockHz) / 1000.0;
// The shortest span the view zooms to: a fraction of a 10 kHz period.
constexpr double MinSpanTicks = 40;
constexpr int PollMs = 250;
// A pause in the operator's changes this long starts a computation.
constexpr int DebounceMs = 300;
constexpr std::uint32_t WavRate = 48000;

const QColor TraceColor(0, 70, 170);
const QColor TriggerColor(0, 120, 60);
const QColor OverflowColor(210, 0, 0);
const QColor GridColor(225, 225, 225);

QString Number(double v, int digits = 6) { return QString::fromStdString(FormatGeneral(v, digits)); }

// A step of 1, 2 or 5 times a power of ten that gives about `count` steps.
double NiceStep(double span, int count)
{
    const double raw = span / std::max(count, 1);
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * p)
            return m * p;
    return 10 * p;
}

QString FrequencyText(double hz)
{
    if (hz >= 1e6)
        return Number(hz / 1e6, 4) + " MHz";
    return hz >= 1000 ? Number(hz / 1000, 4) + " kHz" : Number(hz, 4) + " Hz";
}

} // namespace

// The output and the trigger over the visible span, with a ms axis and a
// level axis; the wheel zooms at the pointer, dragging pans.
class PreviewTimeView : public QWidget {
public:
    explicit PreviewTimeView(QWidget* parent) : QWidget(parent)
    {
        setObjectName("PreviewTime");
        setMinimumSize(500, 260);
        setCursor(Qt::OpenHandCursor);
    }

    std::shared_ptr<const PreviewRun> Run;
    double From = 0, To = 1;
    std::function<void()> SpanChanged;

    void setSpan(double from, double to)
    {
        const double end = Run && Run->endTick > 0 ? double(Run->endTick) : 1;
        double span = std::clamp(to - from, std::min(MinSpanTicks, end), end);
        from = std::clamp(from, 0.0, end - span);
        if (from == From && from + span == To)
            return;
        From = from;
        To = from + span;
        Columns.clear();
        update();
        if (SpanChanged)
            SpanChanged();
    }
    void newRun(std::shared_ptr<const PreviewRun> run)
    {
        const bool keep = Run && run && Run->endTick == run->endTick;
        Run = std::move(run);
        Columns.clear();
        if (keep)
            update();
        else
            setSpan(0, Run ? double(Run->endTick) : 1);
    }

protected:
    static constexpr int Left = 64, Right = 12, Top = 10, Bottom = 34, TriggerHeight = 36, Gap = 14;

    QRect plot() const { return QRect(Left, Top, width() - Left - Right, height() - Top - Bottom); }
    double tickAt(int x) const { return From + (To - From) * (x - Left) / std::max(1, plot().width()); }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        const QRect area = plot();
        if (!Run || !Run->valid || area.width() <= 0) {
            p.drawText(rect(), Qt::AlignCenter, "Keine Ausgabe");
            return;
        }
        if (int(Columns.size()) != area.width())
            Columns = preview::ColumnsOf(*Run, From, To, area.width());

        const QRect sig(area.left(), area.top(), area.width(), area.height() - TriggerHeight - Gap);
        const QRect trig(area.left(), sig.bottom() + Gap, area.width(), TriggerHeight);
        auto y = [&](double v) { return sig.top() + (1 - v) / 2 * sig.height(); };

        // Level axis: the converter's range is +-1.
        p.setFont(font());
        for (double v : {1.0, 0.5, 0.0, -0.5, -1.0}) {
            p.setPen(v == 0 || std::abs(v) == 1 ? QColor(170, 170, 170) : GridColor);
            p.drawLine(QPointF(sig.left(), y(v)), QPointF(sig.right(), y(v)));
            p.setPen(Qt::black);
            p.drawText(QRectF(0, y(v) - 8, Left - 6, 16), Qt::AlignRight | Qt::AlignVCenter, Number(v));
        }
        p.save();
        p.translate(12, sig.center().y());
        p.rotate(-90);
        p.drawText(QRectF(-sig.height() / 2.0, -10, sig.height(), 14), Qt::AlignCenter, "Pegel (Vollaussteuerung)");
        p.restore();
        p.drawText(QRectF(0, trig.top(), Left - 6, trig.height()), Qt::AlignRight | Qt::AlignVCenter, "Trigger");

        // Time axis in ms.
        const double fromMs = From / TicksPerMs, toMs = To / TicksPerMs;
        const double step = NiceStep(toMs - fromMs, std::max(2, area.width() / 90));
        for (double t = std::ceil(fromMs / step) * step; t <= toMs + step * 1e-9; t += step) {
            const double x = area.left() + (t - fromMs) / (toMs - fromMs) * area.width();
            p.setPen(GridColor);
            p.drawLine(QPointF(x, sig.top()), QPointF(x, trig.bottom()));
            p.setPen(Qt::black);
            const double labelLeft = std::clamp(x - 45, 0.0, double(width() - 90));
            p.drawText(QRectF(labelLeft, trig.bottom() + 3, 90, 14), Qt::AlignCenter,
                       Number(std::abs(t) < step * 1e-6 ? 0 : t, 7));
        }
        p.drawText(QRectF(area.left(), height() - 15, area.width(), 14), Qt::AlignRight, "Zeit / ms");

        // The trace: each column's range, joined to its neighbour so a
        // waveform drawn tick by tick stays one line.
        for (int c = 0; c < int(Columns.size()); ++c) {
            const preview::Column& col = Columns[std::size_t(c)];
            double lo = col.low, hi = col.high;
            if (c > 0) {
                const preview::Column& prev = Columns[std::size_t(c - 1)];
                lo = std::min(lo, prev.high);
                hi = std::max(hi, prev.low);
            }
            const double x = area.left() + c + 0.5;
            p.setPen(col.overflow ? OverflowColor : TraceColor);
            p.drawLine(QPointF(x, y(hi)), QPointF(x, y(lo) + 0.01));
            if (col.overflow)
                p.fillRect(QRectF(x - 0.5, sig.top(), 1, 4), OverflowColor);

            const double th = trig.top() + 3, tl = trig.bottom() - 3;
            const bool high = col.triggerHigh || (c > 0 && Columns[std::size_t(c - 1)].triggerHigh && col.triggerLow);
            const bool low = col.triggerLow || (c > 0 && Columns[std::size_t(c - 1)].triggerLow && col.triggerHigh);
            p.setPen(TriggerColor);
            p.drawLine(QPointF(x, high ? th : tl), QPointF(x, low ? tl : th));
        }
        p.setPen(QColor(120, 120, 120));
        p.drawRect(sig.adjusted(0, 0, -1, -1));
        p.drawRect(trig.adjusted(0, 0, -1, -1));
    }

    void wheelEvent(QWheelEvent* e) override
    {
        const double steps = e->angleDelta().y() / 120.0;
        if (steps == 0)
            return;
        const double factor = std::pow(1.25, -steps);
        const double at = tickAt(int(e->position().x()));
        setSpan(at - (at - From) * factor, at + (To - at) * factor);
        e->accept();
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton)
            return;
        DragX = e->position().x();
        DragFrom = From;
        setCursor(Qt::ClosedHandCursor);
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (!(e->buttons() & Qt::LeftButton) || !DragX)
            return;
        const double shift = (*DragX - e->position().x()) * (To - From) / std::max(1, plot().width());
        setSpan(DragFrom + shift, DragFrom + shift + (To - From));
    }
    void mouseReleaseEvent(QMouseEvent*) override
    {
        DragX.reset();
        setCursor(Qt::OpenHandCursor);
    }
    void resizeEvent(QResizeEvent*) override { Columns.clear(); }

private:
    std::vector<preview::Column> Columns;
    std::optional<double> DragX;
    double DragFrom = 0;
};

// Magnitude over a logarithmic frequency axis, the strongest peaks labelled.
class PreviewSpectrumView : public QWidget {
public:
    explicit PreviewSpectrumView(QWidget* parent) : QWidget(parent)
    {
        setObjectName("PreviewSpectrum");
        setMinimumSize(500, 200);
    }

    preview::Spectrum Data;

protected:
    static constexpr int Left = 64, Right = 12, Top = 34, Bottom = 34;
    static constexpr double LowHz = 10, TopDb = 10, BottomDb = -130;

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        const QRect a(Left, Top, width() - Left - Right, height() - Top - Bottom);
        if (Data.db.size() < 4 || a.width() <= 0) {
            p.drawText(rect(), Qt::AlignCenter, "Kein Spektrum");
            return;
        }
        const double highHz = Data.sampleRate / 2;
        const double l0 = std::log10(LowHz), l1 = std::log10(highHz);
        auto x = [&](double hz) { return a.left() + (std::log10(std::max(hz, LowHz)) - l0) / (l1 - l0) * a.width(); };
        auto y = [&](double db) { return a.top() + (TopDb - std::clamp(db, BottomDb, TopDb)) / (TopDb - BottomDb) * a.height(); };

        for (double db = 0; db >= BottomDb; db -= 20) {
            p.setPen(GridColor);
            p.drawLine(QPointF(a.left(), y(db)), QPointF(a.right(), y(db)));
            p.setPen(Qt::black);
            p.drawText(QRectF(0, y(db) - 8, Left - 6, 16), Qt::AlignRight | Qt::AlignVCenter, Number(db) + " dB");
        }
        for (double decade = 10; decade <= highHz; decade *= 10) {
            for (int m = 1; m < 10 && decade * m <= highHz; ++m) {
                p.setPen(m == 1 ? QColor(190, 190, 190) : GridColor);
                p.drawLine(QPointF(x(decade * m), a.top()), QPointF(x(decade * m), a.bottom()));
            }
            p.setPen(Qt::black);
            p.drawText(QRectF(x(decade) - 40, a.bottom() + 3, 80, 14), Qt::AlignCenter, FrequencyText(decade));
        }
        p.drawText(QRectF(a.left(), height() - 15, a.width(), 14), Qt::AlignRight,
                   "Frequenz (Spektrum des sichtbaren Bereichs)");

        // Each pixel column shows the strongest bin that falls on it.
        QPainterPath path;
        bool started = false;
        const double bin = Data.binHz();
        std::size_t k = 1;
        for (int px = 0; px < a.width(); ++px) {
            const double hzEnd = std::pow(10.0, l0 + (l1 - l0) * (px + 1) / a.width());
            double best = BottomDb - 1;
            bool any = false;
            while (k < Data.db.size() && double(k) * bin < hzEnd) {
                if (double(k) * bin >= LowHz) {
                    best = std::max(best, Data.db[k]);
                    any = true;
                }
                ++k;
            }
            if (!any) {
                // Fewer bins than pixels at the low end: the bin at this frequency.
                const double hz = std::pow(10.0, l0 + (l1 - l0) * (px + 0.5) / a.width());
                const auto nearest = std::size_t(std::lround(hz / bin));
                if (nearest < 1 || nearest >= Data.db.size())
                    continue;
                best = Data.db[nearest];
            }
            const QPointF pt(a.left() + px + 0.5, y(best));
            if (!started)
                path.moveTo(pt);
            else
                path.lineTo(pt);
            started = true;
        }
        p.setPen(TraceColor);
        p.drawPath(path);

        // Labels of close peaks would overlap: a later one moves up, or below
        // its peak when there is no room above.
        p.setPen(OverflowColor);
        std::vector<QRectF> placed;
        for (const preview::Peak& peak : Data.peaks) {
            const QPointF at(x(peak.hz), y(peak.db));
            const QString text = FrequencyText(peak.hz) + "\n" + Number(peak.db, 3) + " dB";
            const double w = p.fontMetrics().horizontalAdvance(FrequencyText(peak.hz)) + 8;
            const double h = 2 * p.fontMetrics().height();
            QRectF box(at.x() - w / 2, at.y() - 10 - h, w, h);
            auto collides = [&] {
                return std::any_of(placed.begin(), placed.end(), [&](const QRectF& r) { return r.intersects(box); });
            };
            while (collides() && box.top() - h >= 0)
                box.translate(0, -h);
            if (collides() || box.top() < 0)
                box.moveTop(at.y() + 10);
            while (collides() && box.bottom() + h <= height())
                box.translate(0, h);
            placed.push_back(box);
            p.drawLine(at, QPointF(at.x(), box.top() < at.y() ? box.bottom() : box.top()));
            p.drawText(box, Qt::AlignCenter, text);
        }
        p.setPen(QColor(120, 120, 120));
        p.drawRect(a.adjusted(0, 0, -1, -1));
    }
};

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
    for (QPushButton* b : {Main.Button5, Main.Button6})
        connect(b, &QPushButton::clicked, this, [this] {
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

void PreviewWindow::step(int delta)
{
    const int count = std::max(1, Main.form().state().VariTable.PositionCount());
    Position = std::clamp(Position + delta, 1, count);
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
        OverflowLabel->setText("<span style='color:#d00000'><b>Überlauf ab "
                               + Number(double(*Run->firstOverflow) / TicksPerMs, 7) + " ms</b></span>");
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
    PositionLabel->setText(count > 0 ? QString("Position %1 von %2").arg(Position).arg(count)
                                     : QString("Position %1").arg(Position));
}

void PreviewWindow::fit()
{
    if (Run)
        TimeView->setSpan(0, double(Run->endTick));
}

void PreviewWindow::savePng()
{
    const auto name = Main.dialogs().saveFileName("PNG-Bilder (*.png)|*.png|Alle Dateien (*.*)|*.*", "*.png",
                                                  "vorschau.png");
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
    const auto name = Main.dialogs().saveFileName("WAV-Dateien (*.wav)|*.wav|Alle Dateien (*.*)|*.*", "*.wav",
                                                  "vorschau.wav");
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
