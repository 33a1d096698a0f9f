// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The drawing surface of the diagrams. The display code computes every
// pixel against this interface; the window implements it with QPainter and
// the tests with a recorder, so positions are checked exactly and without a
// screen.

#include <string>

namespace tonvera {

struct Color {
    int r = 0;
    int g = 0;
    int b = 0;
    friend constexpr bool operator==(const Color&, const Color&) = default;
};

namespace colors {
inline constexpr Color Black{0, 0, 0};
inline constexpr Color White{255, 255, 255};
inline constexpr Color Red{255, 0, 0};
inline constexpr Color Yellow{255, 255, 0};
inline constexpr Color Blue{0, 0, 255};
inline constexpr Color Purple{128, 0, 128};
} // namespace colors

class Canvas {
public:
    virtual ~Canvas() = default;

    // The pen is one pixel wide; it draws lines and rectangle outlines.
    virtual void setPenColor(Color c) = 0;
    // Fills rectangles and the background behind text.
    virtual void setBrushColor(Color c) = 0;
    virtual void setFontColor(Color c) = 0;

    // Outline in the pen colour, filled with the brush colour; covers the
    // pixels x1..x2-1, y1..y2-1.
    virtual void rectangle(int x1, int y1, int x2, int y2) = 0;
    virtual void moveTo(int x, int y) = 0;
    // From the current point to (x, y), the end point itself not drawn; the
    // end point becomes the current point.
    virtual void lineTo(int x, int y) = 0;
    virtual void setPixel(int x, int y, Color c) = 0;
    // Top-left corner at (x, y), on an opaque background in the brush colour.
    virtual void textOut(int x, int y, const std::string& text) = 0;
    virtual int textWidth(const std::string& text) = 0;
    virtual int textHeight(const std::string& text) = 0;
};

} // namespace tonvera
