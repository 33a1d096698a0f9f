// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A canvas that records every operation with the colours in force, and
// measures text with fixed metrics (6 pixels per character, 13 high), so
// tests can state pixel positions exactly.

#include <cstddef>
#include <string>
#include <vector>

#include "model/Canvas.h"

namespace tonvera::test {

class RecordingCanvas : public Canvas {
public:
    static constexpr int CharWidth = 6;
    static constexpr int LineHeight = 13;

    struct Line {
        int x1, y1, x2, y2;
        Color pen;
    };
    struct Rect {
        int x1, y1, x2, y2;
        Color pen, brush;
    };
    struct Text {
        int x, y;
        std::string text;
        Color font, brush;
    };
    struct Pixel {
        int x, y;
        Color color;
    };

    std::vector<Line> lines;
    std::vector<Rect> rects;
    std::vector<Text> texts;
    std::vector<Pixel> pixels;

    Color pen = colors::Black;
    Color brush = colors::White;
    Color font = colors::Black;
    int penX = 0;
    int penY = 0;

    void setPenColor(Color c) override { pen = c; }
    void setBrushColor(Color c) override { brush = c; }
    void setFontColor(Color c) override { font = c; }
    void rectangle(int x1, int y1, int x2, int y2) override { rects.push_back({x1, y1, x2, y2, pen, brush}); }
    void moveTo(int x, int y) override
    {
        penX = x;
        penY = y;
    }
    void lineTo(int x, int y) override
    {
        lines.push_back({penX, penY, x, y, pen});
        penX = x;
        penY = y;
    }
    void setPixel(int x, int y, Color c) override { pixels.push_back({x, y, c}); }
    void textOut(int x, int y, const std::string& text) override { texts.push_back({x, y, text, font, brush}); }
    int textWidth(const std::string& text) override { return CharWidth * static_cast<int>(codePoints(text)); }
    int textHeight(const std::string&) override { return LineHeight; }

    // Characters, not bytes: "°" is one character of width 6.
    static std::size_t codePoints(const std::string& s)
    {
        std::size_t n = 0;
        for (unsigned char c : s)
            if ((c & 0xC0) != 0x80)
                ++n;
        return n;
    }

    const Text* findText(const std::string& s) const
    {
        for (const auto& t : texts)
            if (t.text == s)
                return &t;
        return nullptr;
    }
    std::vector<Text> textsAt(const std::string& s) const
    {
        std::vector<Text> out;
        for (const auto& t : texts)
            if (t.text == s)
                out.push_back(t);
        return out;
    }
    bool hasLine(int x1, int y1, int x2, int y2) const
    {
        for (const auto& l : lines)
            if (l.x1 == x1 && l.y1 == y1 && l.x2 == x2 && l.y2 == y2)
                return true;
        return false;
    }
    const Line* findLine(int x1, int y1, int x2, int y2) const
    {
        for (const auto& l : lines)
            if (l.x1 == x1 && l.y1 == y1 && l.x2 == x2 && l.y2 == y2)
                return &l;
        return nullptr;
    }
};

} // namespace tonvera::test
