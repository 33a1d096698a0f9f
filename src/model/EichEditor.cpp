// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/EichEditor.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/Dialogs.h"
#include "model/Errors.h"
#include "model/Numbers.h"

namespace tonvera {

namespace {

std::string padLeft(std::string s, std::size_t width)
{
    if (s.size() < width)
        s.insert(0, width - s.size(), ' ');
    return s;
}

char foldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool lessNoCase(std::string_view a, std::string_view b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(foldAscii(x)) < static_cast<unsigned char>(foldAscii(y));
    });
}

std::string_view trimLeft(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

std::string_view firstWord(std::string_view s)
{
    const auto blank = s.find(' ');
    return blank == std::string_view::npos ? s : s.substr(0, blank);
}

// Pixel coordinates from doubles that may lie far outside any box: beyond
// the int range the cast would be undefined, and nothing out there is drawn.
int toPixel(double v)
{
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::clamp(v, -1e6, 1e6));
}

constexpr const char* AttentionText = "Maximal 501 Punkte möglich!";

} // namespace

std::string FormatEichLine(double frequency, double correction)
{
    std::string out = padLeft(FormatFixed(frequency, 0, '.'), 7);
    out += " Hz/ ";
    out += correction >= 0 ? '+' : ' ';
    out += padLeft(FormatFixed(correction, 2, '.'), 5);
    out += " dB";
    return out;
}

std::vector<std::string> EichEditor::Texts() const
{
    std::vector<std::string> out;
    out.reserve(lines_.size());
    for (const Line& l : lines_)
        out.push_back(l.text);
    return out;
}

void EichEditor::AddLine(std::string text)
{
    const auto at = std::upper_bound(lines_.begin(), lines_.end(), text,
                                     [](const std::string& t, const Line& l) { return lessNoCase(t, l.text); });
    lines_.insert(at, Line{std::move(text), false});
}

void EichEditor::Select(int index)
{
    if (index < -1 || index >= static_cast<int>(lines_.size()))
        throw ListIndexError(index);
    for (std::size_t i = 0; i < lines_.size(); ++i)
        lines_[i].selected = static_cast<int>(i) == index;
}

int EichEditor::SelectedIndex() const
{
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].selected)
            return static_cast<int>(i);
    return -1;
}

void EichEditor::ListToTable()
{
    if (lines_.size() > static_cast<std::size_t>(EichTable::MaxPoints))
        throw RangeError();
    EichTable next;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::string_view line = lines_[i].text;
        const std::string_view freqText = firstWord(trimLeft(line));
        std::string_view rest;
        if (const auto hz = line.find("Hz/ "); hz != std::string_view::npos && hz + 5 <= line.size())
            rest = line.substr(hz + 5);
        const std::string_view corrText = firstWord(trimLeft(rest));
        next.frequencies[i] = ConvertNumber(freqText, '.');
        next.corrections[i] = ConvertNumber(corrText, '.');
    }
    next.count = static_cast<std::int32_t>(lines_.size());
    table_ = next;
}

bool EichEditor::askNumber(const char* caption, const char* prompt, double& value)
{
    for (;;) {
        std::string entry;
        if (!dialogs_.inputQuery(caption, prompt, entry))
            return false;
        const ParsedNumber p = TryConvertNumber(entry, '.');
        if (p.valid) {
            value = p.value;
            return true;
        }
    }
}

void EichEditor::Button1Click()
{
    // The table behind the list has room for 501 points; a longer list
    // could not be handed back to the main window.
    if (lines_.size() >= static_cast<std::size_t>(EichTable::MaxPoints)) {
        dialogs_.messageBox(AttentionText, AttentionTitle);
        return;
    }
    double frequency = 0.0;
    if (!askNumber("Frequenz", "in Hz: ", frequency))
        return;
    double correction = 0.0;
    if (askNumber("Dämpfungsdelta", "in dB, z.B. 4.7 wenn Soll=10 und Ist=5.3: ", correction)) {
        AddLine(FormatEichLine(frequency, correction));
        listChanged();
    }
    redraw();
}

void EichEditor::Button2Click()
{
    bool any = false;
    for (std::size_t i = lines_.size(); i-- > 0;) {
        if (lines_[i].selected) {
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
            any = true;
        }
    }
    if (any)
        listChanged();
    redraw();
}

void EichEditor::DrawEichPlot(Canvas& c, int W, int H, Color background)
{
    ListToTable();
    const int count = table_.count;
    if (count < 2)
        return;

    double maxF = 0.0;
    double maxD = 0.0;
    double minF = 1e10;
    double minD = 1e10;
    for (int i = 0; i < count; ++i) {
        const double f = table_.frequencies[static_cast<std::size_t>(i)];
        const double d = table_.corrections[static_cast<std::size_t>(i)];
        maxF = std::max(maxF, f);
        minF = std::min(minF, f);
        maxD = std::max(maxD, d);
        minD = std::min(minD, d);
    }
    maxD += 1.0;
    minD -= 1.0;

    c.setPenColor(colors::Black);
    c.setBrushColor(background);
    c.setFontColor(colors::Black);
    c.rectangle(0, 0, W, H);

    auto line = [&c](int x1, int y1, int x2, int y2) {
        c.moveTo(x1, y1);
        c.lineTo(x2, y2);
    };
    // Correction axis with its arrow head and the tick of the largest value.
    line(60, H - 17, 60, 15);
    line(65, 20, 60, 15);
    line(55, 20, 60, 15);
    line(57, 70, 63, 70);
    // Frequency axis, arrow head, tick of the largest frequency.
    line(57, H - 20, W - 20, H - 20);
    line(W - 20, H - 20, W - 25, H - 15);
    line(W - 20, H - 20, W - 25, H - 25);
    line(W - 40, H - 23, W - 40, H - 17);

    auto label = [](double v) { return IntegerText(v); };
    const std::string fMin = label(minF);
    const std::string fMax = label(maxF);
    const std::string dMin = label(minD);
    const std::string dMax = label(maxD);
    c.textOut(60 - c.textWidth(fMin) / 2, H - 15, fMin);
    c.textOut(W - 40 - c.textWidth(fMax) / 2, H - 15, fMax);
    c.textOut(60 - c.textWidth(dMin) - 5, H - 20 - c.textHeight(dMin) / 2, dMin);
    c.textOut(60 - c.textWidth(dMax) - 5, 70 - c.textHeight(dMax) / 2, dMax);

    // With all points at one frequency the frequency scale has no width:
    // they stand on the correction axis.
    const double fSpan = maxF - minF;
    const double dSpan = maxD - minD;
    std::vector<std::pair<int, int>> points;
    points.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double f = table_.frequencies[static_cast<std::size_t>(i)];
        const double d = table_.corrections[static_cast<std::size_t>(i)];
        points.emplace_back(60 + (fSpan > 0.0 ? toPixel(rnd((f - minF) * (W - 100) / fSpan)) : 0),
                            (H - 20) - toPixel(rnd((d - minD) * (H - 90) / dSpan)));
    }
    // The whole curve first, then the marks: a line starting at a point
    // would otherwise paint over the red pixel of that point.
    c.moveTo(points[0].first, points[0].second);
    for (std::size_t i = 1; i < points.size(); ++i)
        c.lineTo(points[i].first, points[i].second);
    for (const auto& [x, y] : points)
        c.setPixel(x, y, colors::Red);
}

void EichEditor::EditEichTable(EichTable& table)
{
    lines_.clear();
    const int count = std::clamp(table.count, 0, EichTable::MaxPoints);
    for (int i = 0; i < count; ++i)
        AddLine(FormatEichLine(table.frequencies[static_cast<std::size_t>(i)],
                               table.corrections[static_cast<std::size_t>(i)]));
    listChanged();
    if (ShowModal)
        ShowModal();
    ListToTable();
    table = table_;
}

} // namespace tonvera
