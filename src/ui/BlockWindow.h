// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Block": the block diagram of the device's signal path, drawn from the
// SVG compiled into the program.

#include <QDialog>
#include <QWidget>

class QSvgRenderer;

namespace tonvera {

// The picture control: paints its drawing at its own size.
class SvgPicture : public QWidget {
    Q_OBJECT
public:
    explicit SvgPicture(const QString& resource, QWidget* parent = nullptr);

    QSvgRenderer* renderer() const { return renderer_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QSvgRenderer* renderer_;
};

class BlockWindow : public QDialog {
    Q_OBJECT
public:
    explicit BlockWindow(QWidget* parent = nullptr);

    // "Hilfe" > "Blockschaltbild": shows the diagram modally; nothing else.
    void Blockschaltbild1Click() { exec(); } // "Blockschaltbild" of "Hilfe"

    // True when the drawing was found and read.
    [[nodiscard]] bool pictureValid() const;

private:
    SvgPicture* Image1;
};

} // namespace tonvera
