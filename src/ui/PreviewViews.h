// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two drawings of the window "Vorschau": the output and the trigger over
// time, and the spectrum of the visible span.

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "preview/PreviewSignal.h"

namespace tonvera {

// The output and the trigger over the visible span, with a ms axis and a
// level axis; the wheel zooms at the pointer, dragging pans. Spans are in
// ticks and never leave 0 .. the end of the position.
class PreviewTimeView : public QWidget {
public:
    explicit PreviewTimeView(QWidget* parent);

    std::shared_ptr<const preview::PreviewRun> Run;
    double From = 0, To = 1;
    // Told after every change of the span (the spectrum follows it).
    std::function<void()> SpanChanged;

    void setSpan(double from, double to);
    // A run of the same length keeps the span; another one is fitted.
    void newRun(std::shared_ptr<const preview::PreviewRun> run);

protected:
    static constexpr int Left = 64, Right = 12, Top = 10, Bottom = 34, TriggerHeight = 36, Gap = 14;

    [[nodiscard]] QRect plot() const { return QRect(Left, Top, width() - Left - Right, height() - Top - Bottom); }
    [[nodiscard]] double tickAt(int x) const { return From + (To - From) * (x - Left) / std::max(1, plot().width()); }

    void paintEvent(QPaintEvent*) override;
    void wheelEvent(QWheelEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void resizeEvent(QResizeEvent*) override { Columns.clear(); }

private:
    std::vector<preview::Column> Columns;
    std::optional<double> DragX;
    double DragFrom = 0;
};

// Magnitude over a logarithmic frequency axis, the strongest peaks labelled.
class PreviewSpectrumView : public QWidget {
public:
    explicit PreviewSpectrumView(QWidget* parent);

    preview::Spectrum Data;

    // A peak's label: frequency over level, placed clear of the trace and
    // of the labels of stronger peaks. A peak without room goes unlabelled.
    struct PeakLabel {
        QRectF box;
        QString text;
        QPointF peak;
    };
    // The labels as the widget draws them at its present size and font.
    [[nodiscard]] std::vector<PeakLabel> peakLabels() const;

protected:
    static constexpr int Left = 64, Right = 12, Top = 34, Bottom = 34;
    static constexpr double LowHz = 10, TopDb = 10, BottomDb = -130;

    void paintEvent(QPaintEvent*) override;

private:
    [[nodiscard]] QRect plotArea() const { return QRect(Left, Top, width() - Left - Right, height() - Top - Bottom); }
    [[nodiscard]] double xOf(double hz) const;
    [[nodiscard]] double yOf(double db) const;
    // The trace's height in each pixel column of the plot; NaN where no bin
    // falls.
    [[nodiscard]] std::vector<double> trace() const;
};

} // namespace tonvera
