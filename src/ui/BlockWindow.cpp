// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FixedDialog.h"
#include "ui/BlockWindow.h"
#include "ui/Named.h"

#include <QPainter>
#include <QRect>
#include <QSize>
#include <QSvgRenderer>

namespace tonvera {

namespace {

// The window's size and its picture's as designed.
constexpr QSize ClientSize{822, 550};
constexpr QRect Picture{8, 8, 800, 504};
constexpr const char* PictureResource = ":/tonvera/block.svg";

} // namespace

SvgPicture::SvgPicture(const QString& resource, QWidget* parent)
    : QWidget(parent), renderer_(new QSvgRenderer(resource, this))
{
}

void SvgPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    renderer_->render(&p, QRectF(0, 0, width(), height()));
}

BlockWindow::BlockWindow(QWidget* parent) : QDialog(parent)
{
    SetUpFixedDialog(*this, "Block", "Block", ClientSize.width(), ClientSize.height());

    Image1 = Named<SvgPicture>("Image1", QString::fromLatin1(PictureResource), this);
    Image1->setGeometry(Picture);
}

bool BlockWindow::pictureValid() const { return Image1->renderer()->isValid(); }

} // namespace tonvera
