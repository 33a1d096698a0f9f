// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The canvas of the diagrams on a QPainter.

#include <QPainter>

#include "model/Canvas.h"

namespace tonvera {

class QtCanvas final : public Canvas {
public:
    // Pen, brush and font colour start as the widget's default colours.
    QtCanvas(QPainter& painter, const QColor& background, const QColor& text);

    void setPenColor(Color c) override;
    void setBrushColor(Color c) override;
    void setFontColor(Color c) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void setPixel(int x, int y, Color c) override;
    void textOut(int x, int y, const std::string& text) override;
    int textWidth(const std::string& text) override;
    int textHeight(const std::string& text) override;

private:
    QPainter& P;
    QColor Pen;
    QColor Brush;
    QColor Font;
    QPoint Current;
};

} // namespace tonvera
