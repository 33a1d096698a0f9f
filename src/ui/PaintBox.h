// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A widget that paints itself through a callback and reports mouse presses:
// the signal display and the label areas behind the parameter edits.

#include <QWidget>
#include <functional>

namespace tonvera {

class PaintBox : public QWidget {
    Q_OBJECT
public:
    explicit PaintBox(QWidget* parent = nullptr) : QWidget(parent) {}

    std::function<void(QPainter&)> onPaint;
    std::function<void(int x, int y)> onMouseDown;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
};

} // namespace tonvera
