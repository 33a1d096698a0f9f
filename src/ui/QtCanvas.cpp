// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QtCanvas.h"

#include <QFontMetrics>
#include <QRegion>

namespace tonvera {

namespace {
QColor toQt(Color c) { return QColor(c.r, c.g, c.b); }
// Far beyond any widget: the clip that leaves out a line's end point.
constexpr int ClipReach = 1 << 24;
} // namespace

QtCanvas::QtCanvas(QPainter& painter, const QColor& background, const QColor& text)
    : P(painter), Pen(text), Brush(background), Font(text)
{
    P.setRenderHint(QPainter::Antialiasing, false);
}

void QtCanvas::setPenColor(Color c) { Pen = toQt(c); }
void QtCanvas::setBrushColor(Color c) { Brush = toQt(c); }
void QtCanvas::setFontColor(Color c) { Font = toQt(c); }

void QtCanvas::rectangle(int x1, int y1, int x2, int y2)
{
    if (x2 <= x1 || y2 <= y1)
        return;
    P.fillRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)), Brush);
    P.setPen(QPen(Pen, 0));
    P.setBrush(Qt::NoBrush);
    // A cosmetic pen outlines the pixels x1..x2-1 with a rect one smaller.
    P.drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void QtCanvas::moveTo(int x, int y) { Current = QPoint(x, y); }

void QtCanvas::lineTo(int x, int y)
{
    // The end point is not drawn: it is where the next line begins, and the
    // lanes' coordinates are laid out for that. Qt's square cap draws both
    // ends, and its flat cap leaves out whichever end lies lower or further
    // right, whatever the direction; so the line is drawn whole with the end
    // pixel clipped away.
    const QPoint end(x, y);
    P.save();
    const QRegion everywhere(-ClipReach, -ClipReach, 2 * ClipReach, 2 * ClipReach);
    P.setClipRegion(everywhere.subtracted(QRegion(end.x(), end.y(), 1, 1)), Qt::IntersectClip);
    P.setPen(QPen(Pen, 0));
    P.drawLine(Current, end);
    P.restore();
    Current = end;
}

void QtCanvas::setPixel(int x, int y, Color c)
{
    P.setPen(QPen(toQt(c), 0));
    P.drawPoint(x, y);
}

void QtCanvas::textOut(int x, int y, const std::string& text)
{
    const QString s = QString::fromStdString(text);
    const QFontMetrics fm(P.font());
    const QRect box(x, y, fm.horizontalAdvance(s), fm.height());
    P.fillRect(box, Brush);
    P.setPen(Font);
    P.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, s);
}

int QtCanvas::textWidth(const std::string& text)
{
    return QFontMetrics(P.font()).horizontalAdvance(QString::fromStdString(text));
}

int QtCanvas::textHeight(const std::string&) { return QFontMetrics(P.font()).height(); }

} // namespace tonvera
