// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the device will play at one variable position, without the device:
// a core of its own, on a frozen copy of the window's state, presses Start
// against the emulator's device model on a virtual clock. The registers and
// tables are therefore exactly those the window's Start would download;
// nothing goes to the real line.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emu/SignalModel.h"
#include "files/ProjectFile.h"
#include "model/MainState.h"
#include "model/MainView.h"

namespace tonvera::preview {

// The window's state at one moment, copied so a worker can use it while
// the operator goes on typing.
struct PreviewInput {
    MainState state;
    ProjectGlobals globals;
    Priority priority = Priority::Wiederzuerst;
    int position = 1;

    friend bool operator==(const PreviewInput&, const PreviewInput&) = default;
};

struct PreviewRun {
    // A run was downloaded; without one the messages say why.
    bool valid = false;
    emu::RunSnapshot run;
    // The end of the position: the run's end, or one period of an endless run.
    std::int64_t endTick = 0;
    // The final attenuator after the converter.
    double gain = 1.0;
    // The first tick whose sum leaves the converter's range; every period
    // repeats the first one.
    std::optional<std::int64_t> firstOverflow;
    // The overflow search was cut short by a newer request.
    bool cancelled = false;
    // What the window would have shown in message boxes, in order.
    std::vector<std::string> messages;
    // The position played and the count of positions.
    int position = 1;
    int positionCount = 0;

    [[nodiscard]] double seconds() const { return double(endTick) / double(emu::ClockHz); }
    // The signal output (after clipping and the final attenuator) as a
    // fraction of the converter's full scale, and the trigger, at a tick.
    [[nodiscard]] double outputAt(std::int64_t tick, bool* trigger = nullptr, bool* overflow = nullptr) const;
    // Whether an overflow lies in the ticks [from, to): the first one, or
    // its repetition in a later period before the end.
    [[nodiscard]] bool overflowWithin(std::int64_t from, std::int64_t to) const;
};

class PreviewDevice {
public:
    PreviewDevice();
    ~PreviewDevice();
    PreviewDevice(const PreviewDevice&) = delete;
    PreviewDevice& operator=(const PreviewDevice&) = delete;

    // Downloads the input's set at its position and searches the first
    // overflow. `cancelled` is asked between pieces of the search. Tables
    // the model already holds are not sent again, as on the device.
    [[nodiscard]] PreviewRun compute(const PreviewInput& input, const std::function<bool()>& cancelled = {});

private:
    struct Parts;
    std::unique_ptr<Parts> P;
};

} // namespace tonvera::preview
