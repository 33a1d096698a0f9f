// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewRun.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "model/QuietDialogs.h"
#include "model/Errors.h"
#include "preview/EmuLine.h"
#include "run/MainCore.h"
#include "run/RunControl.h"

namespace tonvera::preview {

namespace {

// The main window's edits and check boxes as they were when the input was
// taken; what the core writes back (status texts, the position label) is
// kept and ignored.
class FrozenView : public MainView {
public:
    std::string editText(EditField f) const override { return Edits[std::size_t(f)]; }
    void setEditText(EditField f, const std::string& text) override { Edits[std::size_t(f)] = text; }
    void setLocalEditsEnabled(bool) override {}
    void focusEdit(EditField) override {}
    int checkedType() const override { return -1; }
    void setCheckedType(int) override {}
    bool isChecked(CheckBox b) const override { return Checks[std::size_t(b)]; }
    void setChecked(CheckBox b, bool checked) override { Checks[std::size_t(b)] = checked; }
    Priority priority() const override { return Prio; }
    void setPriority(Priority p) override { Prio = p; }
    void setAmSetCaption(const std::string&) override {}
    void setAktVarText(const std::string&) override {}
    OrderSetting order() const override { return Order; }
    void setOrder(const OrderSetting& order) override { Order = order; }
    void setPresentationText(const std::string&) override {}
    void setDrawnSeedText(const std::string&) override {}
    std::string statusText(int panel) const override { return Status[std::size_t(panel)]; }
    void setStatusText(int panel, const std::string& text) override { Status[std::size_t(panel)] = text; }
    void repaintStatusBar() override {}
    void repaintSignalDisplay() override {}
    void invalidateSignalDisplay() override {}
    void setTimerEnabled(bool enabled) override { Timer = enabled; }
    bool timerEnabled() const override { return Timer; }

private:
    std::array<std::string, EditFieldCount> Edits{};
    std::array<bool, CheckBoxCount> Checks{};
    std::array<std::string, StatusPanelCount> Status{};
    Priority Prio = Priority::Wiederzuerst;
    OrderSetting Order;
    bool Timer = false;
};

// Ticks of the overflow search between two questions whether to go on.
constexpr std::int64_t SearchPiece = 400'000;

} // namespace

double PreviewRun::outputAt(std::int64_t tick, bool* trigger, bool* overflow) const
{
    const emu::Sample s = emu::SampleAt(run, tick);
    if (trigger)
        *trigger = s.trigger;
    if (overflow)
        *overflow = s.sum > emu::ConverterMax || s.sum < -emu::ConverterMax;
    const std::int64_t clipped = std::clamp<std::int64_t>(s.sum, -emu::ConverterMax, emu::ConverterMax);
    return double(clipped) * gain / double(emu::ConverterMax);
}

bool PreviewRun::overflowWithin(std::int64_t from, std::int64_t to) const
{
    if (!firstOverflow || to <= from)
        return false;
    const std::int64_t first = *firstOverflow;
    const std::int64_t period = run.periodTicks();
    if (from <= first)
        return first < to && first < endTick;
    if (period <= 0)
        return false;
    // The first repetition of the first overflow at or after `from`.
    const std::int64_t k = (from - first + period - 1) / period;
    const std::int64_t at = first + k * period;
    return at < to && at < endTick;
}

struct PreviewDevice::Parts {
    EmuLine line{false};
    FrozenView view;
    // Every box the window would show becomes a line of the messages.
    QuietDialogs dialogs{QuietDialogs::Queries::Accept};
    MainCore core{view, dialogs, line, line};
    bool ready = false;
};

PreviewDevice::PreviewDevice() : P(std::make_unique<Parts>()) {}
PreviewDevice::~PreviewDevice() = default;

PreviewRun PreviewDevice::compute(const PreviewInput& input, const std::function<bool()>& cancelled)
{
    PreviewRun r;
    MainCore& core = P->core;
    P->dialogs.clear();

    ApplyGlobals(input.globals, P->view);
    P->view.setPriority(input.priority);
    // One position as an ordinary run: its own repetitions, no stepping on,
    // no waiting for the external input.
    P->view.setChecked(CheckBox::varcheck, false);
    P->view.setChecked(CheckBox::ExternStart, false);

    MainState& st = core.state();
    st = input.state;
    r.positionCount = core.run().PositionCount();
    r.position = std::clamp(input.position, 1, std::max(1, r.positionCount));
    st.VariPos = r.position;
    // The preview's own Start must not repeat the window's warnings.
    st.OverflowSeen = false;
    core.device().EichError = false;

    const std::uint64_t startsBefore = P->line.emulator().device().starts();
    try {
        if (!P->ready)
            P->ready = core.InitHardware("preview");
        if (P->ready)
            core.StartButtonClick();
    } catch (const AbortError& e) {
        P->dialogs.keep(e.text());
    }
    if (core.device().EichError)
        P->dialogs.keep(EichRangeStatus);
    r.messages = P->dialogs.texts();

    const emu::DeviceModel& device = P->line.emulator().device();
    if (device.starts() == startsBefore || !device.lastRun())
        return r;
    r.valid = true;
    r.run = *device.lastRun();
    r.gain = std::pow(10.0, -0.75 * r.run.regs.endDampSteps / 20.0);
    r.endTick = r.run.endTick().value_or(r.run.periodTicks());

    emu::OverflowScanner scan(r.run);
    while (!scan.done()) {
        if (cancelled && cancelled()) {
            r.cancelled = true;
            break;
        }
        scan.advance(scan.scannedUpTo() + SearchPiece);
    }
    if (scan.firstOverflow() && *scan.firstOverflow() < r.endTick)
        r.firstOverflow = scan.firstOverflow();
    return r;
}

} // namespace tonvera::preview
