// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PreviewViews.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <optional>

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

double PreviewSpectrumView::xOf(double hz) const
{
    const QRect a = plotArea();
    const double l0 = std::log10(LowHz), l1 = std::log10(Data.sampleRate / 2);
    return a.left() + (std::log10(std::max(hz, LowHz)) - l0) / (l1 - l0) * a.width();
}

double PreviewSpectrumView::yOf(double db) const
{
    const QRect a = plotArea();
    return a.top() + (TopDb - std::clamp(db, BottomDb, TopDb)) / (TopDb - BottomDb) * a.height();
}

std::vector<double> PreviewSpectrumView::trace() const
{
    const QRect a = plotArea();
    std::vector<double> ys(std::size_t(std::max(0, a.width())), std::nan(""));
    const double l0 = std::log10(LowHz), l1 = std::log10(Data.sampleRate / 2);
    // Each pixel column shows the strongest bin that falls on it.
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
        ys[std::size_t(px)] = yOf(best);
    }
    return ys;
}

std::vector<PreviewSpectrumView::PeakLabel> PreviewSpectrumView::peakLabels() const
{
    std::vector<PeakLabel> labels;
    const QRect a = plotArea();
    if (Data.db.size() < 4 || a.width() <= 0)
        return labels;
    const std::vector<double> ys = trace();
    // Above the plot there is room up to the window's edge; the axes'
    // texts lie outside these bounds.
    const QRectF bounds(a.left(), 0, a.width(), a.bottom());
    constexpr double Gap = 3;

    // Whether the trace, drawn as a line from column to column, passes
    // through the box or within the gap around it.
    const auto hitsTrace = [&](const QRectF& box) {
        const int from = std::max(1, int(std::floor(box.left() - Gap - a.left())));
        const int to = std::min(int(ys.size()) - 1, int(std::ceil(box.right() + Gap - a.left())));
        for (int px = from; px <= to; ++px) {
            const double y0 = ys[std::size_t(px - 1)], y1 = ys[std::size_t(px)];
            if (std::isnan(y1))
                continue;
            const double lo = std::isnan(y0) ? y1 : std::min(y0, y1), hi = std::isnan(y0) ? y1 : std::max(y0, y1);
            if (hi >= box.top() - Gap && lo <= box.bottom() + Gap)
                return true;
        }
        return false;
    };
    const auto free = [&](const QRectF& box) {
        if (!bounds.contains(box) || hitsTrace(box))
            return false;
        const QRectF around = box.adjusted(-Gap, -Gap, Gap, Gap);
        return std::none_of(labels.begin(), labels.end(), [&](const PeakLabel& l) { return l.box.intersects(around); });
    };

    const QFontMetricsF fm(font());
    for (const preview::Peak& peak : Data.peaks) {
        const QString top = FrequencyText(peak.hz), bottom = Number(peak.db, 3) + " dB";
        const double w = std::ceil(std::max(fm.horizontalAdvance(top), fm.horizontalAdvance(bottom))) + 8;
        const double h = std::ceil(2 * fm.lineSpacing()) + 4;
        const QPointF at(xOf(peak.hz), yOf(peak.db));
        // Nearest to the peak first: straight above it, then to either
        // side, then further up; below it only when nothing above is free.
        std::optional<QRectF> chosen;
        for (const int side : {-1, 1}) {
            for (double lift = 6; !chosen && lift < bounds.height(); lift += h / 2) {
                for (const double dx : {0.0, -w / 2 - 6, w / 2 + 6, -w - 12, w + 12}) {
                    const double y = side < 0 ? at.y() - lift - h : at.y() + lift;
                    const QRectF box(at.x() + dx - w / 2, y, w, h);
                    if (free(box)) {
                        chosen = box;
                        break;
                    }
                }
            }
            if (chosen)
                break;
        }
        if (chosen)
            labels.push_back({*chosen, top + "\n" + bottom, at});
    }
    return labels;
}

void PreviewSpectrumView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRect a = plotArea();
    if (Data.db.size() < 4 || a.width() <= 0) {
        p.drawText(rect(), Qt::AlignCenter, "Kein Spektrum");
        return;
    }
    const double highHz = Data.sampleRate / 2;

    for (double db = 0; db >= BottomDb; db -= 20) {
        p.setPen(GridColor);
        p.drawLine(QPointF(a.left(), yOf(db)), QPointF(a.right(), yOf(db)));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, yOf(db) - 8, Left - 6, 16), Qt::AlignRight | Qt::AlignVCenter, Number(db) + " dB");
    }
    for (double decade = 10; decade <= highHz; decade *= 10) {
        for (int m = 1; m < 10 && decade * m <= highHz; ++m) {
            p.setPen(m == 1 ? QColor(190, 190, 190) : GridColor);
            p.drawLine(QPointF(xOf(decade * m), a.top()), QPointF(xOf(decade * m), a.bottom()));
        }
        p.setPen(Qt::black);
        p.drawText(QRectF(xOf(decade) - 40, a.bottom() + 3, 80, 14), Qt::AlignCenter, FrequencyText(decade));
    }
    p.drawText(QRectF(a.left(), height() - 15, a.width(), 14), Qt::AlignRight,
               "Frequenz (Spektrum des sichtbaren Bereichs)");

    QPainterPath path;
    bool started = false;
    const std::vector<double> ys = trace();
    for (std::size_t px = 0; px < ys.size(); ++px) {
        if (std::isnan(ys[px]))
            continue;
        const QPointF pt(a.left() + double(px) + 0.5, ys[px]);
        if (!started)
            path.moveTo(pt);
        else
            path.lineTo(pt);
        started = true;
    }
    p.setPen(TraceColor);
    p.drawPath(path);

    for (const PeakLabel& label : peakLabels()) {
        p.fillRect(label.box, Qt::white);
        p.setPen(OverflowColor);
        const double edge = label.box.top() < label.peak.y() ? label.box.bottom() : label.box.top();
        p.drawLine(label.peak, QPointF(std::clamp(label.peak.x(), label.box.left(), label.box.right()), edge));
        p.drawText(label.box, Qt::AlignCenter, label.text);
    }
    p.setPen(QColor(120, 120, 120));
    p.drawRect(a.adjusted(0, 0, -1, -1));
}

} // namespace tonvera
