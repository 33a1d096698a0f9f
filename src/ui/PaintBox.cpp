// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PaintBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace tonvera {

void PaintBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (onPaint)
        onPaint(p);
}

void PaintBox::mousePressEvent(QMouseEvent* e)
{
    if (onMouseDown)
        onMouseDown(e->position().toPoint().x(), e->position().toPoint().y());
    else
        QWidget::mousePressEvent(e);
}

} // namespace tonvera
