// SPDX-License-Identifier: GPL-3.0-or-later
// The diagrams' canvas on a real QPainter, pixel by pixel.

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "ui/QtCanvas.h"

using namespace tonvera;

TEST(QtCanvasTest, LinesLeaveTheirEndPointOut)
{
    QImage img(20, 20, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        QtCanvas c(p, Qt::black, Qt::white);
        c.setPenColor({255, 255, 0});
        c.moveTo(2, 5);
        c.lineTo(10, 5);  // across
        c.lineTo(10, 15); // down from where the first one stopped
        c.moveTo(15, 15);
        c.lineTo(15, 2); // up
        c.moveTo(8, 18);
        c.lineTo(3, 18); // to the left
        c.lineTo(3, 18); // nothing at all
        c.moveTo(0, 0);
        c.lineTo(1 << 30, 1 << 30); // far out: clipped, no hang
    }
    const QColor yellow(255, 255, 0), black(0, 0, 0);
    EXPECT_EQ(img.pixelColor(2, 5), yellow);
    EXPECT_EQ(img.pixelColor(9, 5), yellow);
    EXPECT_EQ(img.pixelColor(10, 5), yellow); // drawn as the second line's start
    EXPECT_EQ(img.pixelColor(11, 5), black);
    EXPECT_EQ(img.pixelColor(10, 14), yellow);
    EXPECT_EQ(img.pixelColor(10, 15), black);
    EXPECT_EQ(img.pixelColor(15, 15), yellow);
    EXPECT_EQ(img.pixelColor(15, 3), yellow);
    EXPECT_EQ(img.pixelColor(15, 2), black);
    EXPECT_EQ(img.pixelColor(8, 18), yellow);
    EXPECT_EQ(img.pixelColor(4, 18), yellow);
    EXPECT_EQ(img.pixelColor(3, 18), black);
    EXPECT_EQ(img.pixelColor(19, 19), yellow);
}
