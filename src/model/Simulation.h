// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulation of a run through all variable positions, without its
// toolkit: the snapshot of the signal set and the variables, the total
// duration, and the plot of the summed envelopes with the trigger times of
// each position. It steps the main window's position while it works and
// always puts it back.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "model/Canvas.h"
#include "model/SinusRecord.h"
#include "model/VariTable.h"

namespace tonvera {

class Dialogs;
class MainForm;

// A record's envelope parameters evaluated at one position. Evaluating the
// texts once per position instead of once per sample gives the same curve
// and keeps a bad text from reporting itself thousands of times.
struct EnvelopeShape {
    bool used = false;
    double k = 0.0; // level factor 1 / (attenuation + 1)
    double start = 0.0;
    double rampUp = 0.0;
    double dach = 0.0;
    double rampDown = 0.0;

    [[nodiscard]] double at(double t) const;
};

class Simulation {
public:
    // `variPos` is the main window's position; `separator` the decimal
    // separator of the operator's locale, for the label.
    Simulation(std::int32_t& variPos, Dialogs& dialogs, char separator = ',')
        : variPos_(variPos), dialogs_(dialogs), separator_(separator)
    {
    }

    // "S&imulieren" on the main window.
    void Button7Click(MainForm& form); // "S&imulieren"
    // Takes the snapshot, computes the total duration and the label, reports
    // texts that do not evaluate once, then runs ShowModal. The variables
    // are taken by value: a caller that needs them no more moves them in
    // rather than holding two copies of a big table.
    void Simulate(const SinusArray& signals, VariTable variables, const std::string& lengthText,
                  const std::string& triggerStartText, const std::string& triggerStopText);

    // The positions in the order a run plays them in one pass; empty for
    // the ascending walk 1..n. Set before Simulate.
    void SetOrder(std::vector<std::int32_t> order) { order_ = std::move(order); }

    void BeginPositions();
    [[nodiscard]] bool PositionsDone() const;
    void NextPosition();
    void EndPositions();

    // The value of a copied global text at the current position. Messages
    // go to `sink`, the collecting one while painting.
    [[nodiscard]] double GlobalValue(const std::string& text) const;
    [[nodiscard]] double GlobalValue(const std::string& text, Dialogs& sink) const;
    // A record's envelope at t milliseconds, at the current position.
    [[nodiscard]] double Envelope(const SinusRecord& record, double t) const;
    [[nodiscard]] EnvelopeShape Shape(const SinusRecord& record, Dialogs& sink) const;

    // Paints the whole run into a W x H box. Opens no message box: what did
    // not evaluate is in PaintProblems afterwards.
    void SimPaintPaint(Canvas& canvas, int width, int height); // the plot SimPaint

    [[nodiscard]] double TotalDuration() const { return totalDuration_; }
    [[nodiscard]] const std::string& Label1Caption() const { return label1_; }
    [[nodiscard]] const std::vector<std::string>& PaintProblems() const { return paintProblems_; }
    [[nodiscard]] const SinusArray& SimSignals() const { return simSignals_; }
    [[nodiscard]] const VariTable& SimVariables() const { return simVariables_; }
    [[nodiscard]] std::int32_t SavedPos() const { return savedPos_; }

    [[nodiscard]] char Separator() const { return separator_; }
    void SetSeparator(char c) { separator_ = c; }

    // Runs the window modally; set by the window, scripted by tests.
    std::function<void()> ShowModal;

private:
    struct PositionValues {
        double length = 0.0;
        double triggerStart = 0.0;
        double triggerStop = 0.0;
        std::array<EnvelopeShape, SignalSlots> shapes{};
    };
    PositionValues evaluatePosition(Dialogs& sink) const;

    std::int32_t& variPos_;
    Dialogs& dialogs_;
    char separator_;

    std::int32_t savedPos_ = 0;
    std::vector<std::int32_t> order_;
    std::size_t step_ = 0;
    SinusArray simSignals_{};
    VariTable simVariables_;
    std::string lengthText_;
    std::string triggerStartText_;
    std::string triggerStopText_;
    double totalDuration_ = 0.0;
    std::string label1_;
    std::vector<std::string> paintProblems_;
};

} // namespace tonvera
