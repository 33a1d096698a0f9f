// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/CalibrationRecord.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <utility>

#include "files/TextFile.h"
#include "model/Numbers.h"

namespace tonvera {

CalibrationRecord MakeCalibrationRecord(const CalibrationAssistant& assistant, std::string source,
                                        std::optional<double> micSensitivity, std::string reference)
{
    CalibrationRecord r;
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    r.Date = date;
    r.Source = std::move(source);
    r.MicSensitivity = micSensitivity;
    r.Reference = std::move(reference);
    r.Settings = assistant.settings();
    r.Steps = assistant.steps();
    return r;
}

namespace {

std::string Db(double v) { return FormatFixed(v, 2); }

std::string Pad(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.insert(0, width - text.size(), ' ');
    return text;
}

} // namespace

std::string CalibrationRecordText(const CalibrationRecord& r)
{
    const CalibrationSettings& s = r.Settings;
    std::string t;
    t += "Kalibrierprotokoll\n";
    t += "Datum: " + r.Date + "\n";
    t += "Kalibrierdatei: " + r.CalFile + "\n";
    t += "Messquelle: " + r.Source + "\n";
    t += "Mikrofonempfindlichkeit: " +
         (r.MicSensitivity ? Db(*r.MicSensitivity) + " dBFS bei 94 dB SPL" : std::string("-")) + "\n";
    t += "Referenz: " + (r.Reference.empty() ? std::string("-") : r.Reference) + "\n";
    t += "0 dB entspricht " + FormatGeneral(s.LevelAt0dB) + " dB SPL\n";
    t += "Gemessen bei " + FormatGeneral(s.Attenuation) + " dB Dämpfung, Kanal " + std::to_string(s.Channel + 1) +
         ", Sollpegel " + Db(s.LevelAt0dB - s.Attenuation) + " dB SPL\n";
    t += "Höchstpegel: " + FormatGeneral(s.MaxLevel) + " dB SPL, Toleranz: ±" + FormatGeneral(s.Tolerance) +
         " dB, Messzeit: " + FormatGeneral(s.MeasureSeconds) + " s\n";
    t += "\n  Frequenz/Hz    vorher/dB  Korrektur/dB    nachher/dB  Abweichung/dB\n";
    for (const CalibrationStep& step : r.Steps) {
        t += Pad(IntegerText(step.Frequency), 13);
        t += Pad(step.Measured ? Db(step.Before) : "-", 13);
        t += Pad(step.Measured ? Db(step.Correction) : "-", 14);
        t += Pad(step.Checked ? Db(step.After) : "-", 14);
        t += Pad(step.Checked ? Db(step.Deviation()) : "-", 15);
        t += step.Checked && std::abs(step.Deviation()) <= s.Tolerance ? "  in Ordnung\n" : "  nicht bestanden\n";
    }
    return t;
}

namespace {

// 3 x 5 pixel glyphs, one row per entry, the top bit on the left.
struct Glyph {
    char c;
    unsigned char rows[5];
};
constexpr Glyph Glyphs[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 7, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 1, 1}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'.', {0, 0, 0, 0, 2}}, {'-', {0, 0, 7, 0, 0}},
    {'k', {4, 5, 6, 5, 5}}, {'H', {5, 5, 7, 5, 5}}, {'z', {0, 7, 1, 2, 7}}, {'d', {1, 1, 7, 5, 7}},
    {'B', {6, 5, 6, 5, 6}},
};
constexpr int Scale = 2;

void Text(RgbImage& img, int x, int y, const std::string& text, std::uint32_t rgb)
{
    for (char c : text) {
        for (const Glyph& g : Glyphs) {
            if (g.c != c)
                continue;
            for (int row = 0; row < 5; ++row)
                for (int col = 0; col < 3; ++col)
                    if (g.rows[row] & (4 >> col))
                        for (int dy = 0; dy < Scale; ++dy)
                            for (int dx = 0; dx < Scale; ++dx)
                                img.set(x + col * Scale + dx, y + row * Scale + dy, rgb);
        }
        x += 4 * Scale;
    }
}
int TextWidth(const std::string& text) { return static_cast<int>(text.size()) * 4 * Scale; }

void Line(RgbImage& img, int x0, int y0, int x1, int y1, std::uint32_t rgb, int width = 1)
{
    const int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= n; ++i) {
        const int x = n ? x0 + (x1 - x0) * i / n : x0;
        const int y = n ? y0 + (y1 - y0) * i / n : y0;
        for (int d = 0; d < width; ++d) {
            img.set(x, y + d, rgb);
            img.set(x + d, y, rgb);
        }
    }
}

void Mark(RgbImage& img, int x, int y, std::uint32_t rgb)
{
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            img.set(x + dx, y + dy, rgb);
}

std::string FreqLabel(double f) { return f >= 1000 ? FormatGeneral(f / 1000, 6, '.') + "k" : FormatGeneral(f, 6, '.'); }

} // namespace

RgbImage CalibrationPlot(const CalibrationRecord& r, int width, int height)
{
    constexpr std::uint32_t Black = 0x000000, Grey = 0xd0d0d0, Band = 0xd8f0d8, Red = 0xd02020, Blue = 0x2040d0;
    RgbImage img(width, height);
    const int left = 60, right = width - 20, top = 20, bottom = height - 40;
    const double target = r.Settings.LevelAt0dB - r.Settings.Attenuation;

    double fmin = 1e100, fmax = 0, dmax = r.Settings.Tolerance + 1;
    for (const CalibrationStep& s : r.Steps) {
        fmin = std::min(fmin, s.Frequency);
        fmax = std::max(fmax, s.Frequency);
        if (s.Measured)
            dmax = std::max(dmax, std::abs(s.Before - target) + 1);
        if (s.Checked)
            dmax = std::max(dmax, std::abs(s.After - target) + 1);
    }
    if (fmax <= 0) {
        fmin = 100;
        fmax = 10000;
    }
    const double lf0 = std::log10(fmin / 1.25), lf1 = std::log10(fmax * 1.25);
    dmax = std::ceil(dmax);
    const auto px = [&](double f) {
        return left + static_cast<int>(rnd((std::log10(f) - lf0) / (lf1 - lf0) * (right - left)));
    };
    const auto py = [&](double level) {
        return bottom - static_cast<int>(rnd((level - (target - dmax)) / (2 * dmax) * (bottom - top)));
    };

    for (int y = py(target + r.Settings.Tolerance); y <= py(target - r.Settings.Tolerance); ++y)
        for (int x = left; x <= right; ++x)
            img.set(x, y, Band);
    // Decade and octave grid with its labels.
    for (double f = 31.25; f <= 32000; f *= 2) {
        if (f < fmin / 1.25 || f > fmax * 1.25)
            continue;
        Line(img, px(f), top, px(f), bottom, Grey);
        const std::string label = FreqLabel(f);
        Text(img, px(f) - TextWidth(label) / 2, bottom + 8, label, Black);
    }
    const double step = dmax > 10 ? 5 : dmax > 4 ? 2 : 1;
    for (double d = -std::floor(dmax / step) * step; d <= dmax; d += step) {
        Line(img, left, py(target + d), right, py(target + d), d == 0 ? Black : Grey);
        const std::string label = FormatGeneral(target + d, 6, '.');
        Text(img, left - 6 - TextWidth(label), py(target + d) - 5, label, Black);
    }
    Text(img, right - TextWidth("Hz"), bottom + 24, "Hz", Black);
    Text(img, 4, top - 16, "dB", Black);
    Line(img, left, top, left, bottom, Black);
    Line(img, left, bottom, right, bottom, Black);

    const auto curve = [&](bool after, std::uint32_t rgb) {
        bool first = true;
        int lx = 0, ly = 0;
        for (const CalibrationStep& s : r.Steps) {
            if (after ? !s.Checked : !s.Measured)
                continue;
            const int x = px(s.Frequency), y = py(after ? s.After : s.Before);
            if (!first)
                Line(img, lx, ly, x, y, rgb, 2);
            Mark(img, x, y, rgb);
            first = false;
            lx = x;
            ly = y;
        }
    };
    curve(false, Red);
    curve(true, Blue);
    return img;
}

RecordFiles RecordFilesBeside(const std::string& calFile)
{
    std::filesystem::path p(calFile);
    const std::string stem = (p.parent_path() / p.stem()).string();
    return {stem + "-protokoll.txt", stem + "-kurven.png"};
}

RecordFiles WriteCalibrationRecord(const CalibrationRecord& record)
{
    const RecordFiles files = RecordFilesBeside(record.CalFile);
    WriteFileAtomically(files.Text, CalibrationRecordText(record));
    WriteFileAtomically(files.Plot, PngBytes(CalibrationPlot(record)));
    return files;
}

} // namespace tonvera
