#include "ui/PreviewViews.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "model/Numbers.h"

namespace tonvera {

using preview::TicksPerMs;

namespace {

// The shortest span the view zooms to: a tenth of a 10 kHz period.
constexpr double MinSpanTicks = 40;

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

PreviewTimeView::PreviewTimeView(QWidget* parent) : QWidget(parent)
{
    setObjectName("PreviewTime");
    setMinimumSize(500, 260);
    setCursor(Qt::OpenHandCursor);
}

void PreviewTimeView::setSpan(double from, double to)
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

void PreviewTimeView::newRun(std::shared_ptr<const preview::PreviewRun> run)
{
    const bool keep = Run && run && Run->endTick == run->endTick;
    Run = std::move(run);
    Columns.clear();
    if (keep)
        update();
    else
        setSpan(0, Run ? double(Run->endTick) : 1);
}

void PreviewTimeView::paintEvent(QPaintEvent*)
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

void PreviewTimeView::wheelEvent(QWheelEvent* e)
{
    const double steps = e->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    const double factor = std::pow(1.25, -steps);
    const double at = tickAt(int(e->position().x()));
    setSpan(at - (at - From) * factor, at + (To - at) * factor);
    e->accept();
}

void PreviewTimeView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    DragX = e->position().x();
    DragFrom = From;
    setCursor(Qt::ClosedHandCursor);
}

void PreviewTimeView::mouseMoveEvent(QMouseEvent* e)
{
    if (!(e->buttons() & Qt::LeftButton) || !DragX)
        return;
    const double shift = (*DragX - e->position().x()) * (To - From) / std::max(1, plot().width());
    setSpan(DragFrom + shift, DragFrom + shift + (To - From));
}

void PreviewTimeView::mouseReleaseEvent(QMouseEvent*)
{
    DragX.reset();
    setCursor(Qt::OpenHandCursor);
}

PreviewSpectrumView::PreviewSpectrumView(QWidget* parent) : QWidget(parent)
{
    setObjectName("PreviewSpectrum");
    setMinimumSize(500, 200);
}

void PreviewSpectrumView::paintEvent(QPaintEvent*)
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
    auto y = [&](double db) {
        return a.top() + (TopDb - std::clamp(db, BottomDb, TopDb)) / (TopDb - BottomDb) * a.height();
    };

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

} // namespace tonvera
