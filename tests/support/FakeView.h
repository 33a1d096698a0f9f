// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A main window made of plain fields. It starts with the texts and states
// the real window has before the core touches it, and records the repaint,
// focus and timer requests so tests can check them.

#include <array>
#include <string>
#include <vector>

#include "model/MainView.h"

namespace tonvera::test {

class FakeView : public MainView {
public:
    // Edit texts indexed by EditField; the window's design-time texts.
    std::array<std::string, EditFieldCount> edits{"", "", "", "", "", "", "", "0", "0", "0", "0", "1"};
    bool localEditsEnabled = true;
    int typeCode = -1;
    // Indexed by CheckBox: Repeated, varcheck, ExternStart cleared; the eight
    // display checks set.
    std::array<bool, CheckBoxCount> checks{false, false, false, true, true, true, true, true, true, true, true};
    Priority prio = Priority::Wiederzuerst;
    std::string amSetCaption = "Set";
    std::string aktVar = "1";
    OrderSetting order_;
    std::string presentation;
    std::string drawnSeed;
    std::array<std::string, StatusPanelCount> status{"Status", "Hardware nicht initialisiert", "Signal", "EichStatus"};
    bool timer = false;

    int statusRepaints = 0;
    int signalRepaints = 0;
    int signalInvalidates = 0;
    std::vector<EditField> focusCalls;
    std::vector<bool> timerCalls;

    std::string& edit(EditField f) { return edits[static_cast<std::size_t>(f)]; }
    bool& check(CheckBox b) { return checks[static_cast<std::size_t>(b)]; }

    std::string editText(EditField field) const override { return edits[static_cast<std::size_t>(field)]; }
    void setEditText(EditField field, const std::string& text) override
    {
        edits[static_cast<std::size_t>(field)] = text;
    }
    void setLocalEditsEnabled(bool enabled) override { localEditsEnabled = enabled; }
    void focusEdit(EditField field) override { focusCalls.push_back(field); }

    int checkedType() const override { return typeCode; }
    void setCheckedType(int code) override { typeCode = code; }

    bool isChecked(CheckBox box) const override { return checks[static_cast<std::size_t>(box)]; }
    void setChecked(CheckBox box, bool checked) override { checks[static_cast<std::size_t>(box)] = checked; }

    Priority priority() const override { return prio; }
    void setPriority(Priority p) override { prio = p; }

    void setAmSetCaption(const std::string& caption) override { amSetCaption = caption; }
    void setAktVarText(const std::string& text) override { aktVar = text; }
    OrderSetting order() const override { return order_; }
    void setOrder(const OrderSetting& o) override { order_ = o; }
    void setPresentationText(const std::string& text) override { presentation = text; }
    void setDrawnSeedText(const std::string& text) override { drawnSeed = text; }

    std::string statusText(int panel) const override { return status.at(static_cast<std::size_t>(panel)); }
    void setStatusText(int panel, const std::string& text) override
    {
        status.at(static_cast<std::size_t>(panel)) = text;
    }
    void repaintStatusBar() override { ++statusRepaints; }

    void repaintSignalDisplay() override { ++signalRepaints; }
    void invalidateSignalDisplay() override { ++signalInvalidates; }

    void setTimerEnabled(bool enabled) override
    {
        timer = enabled;
        timerCalls.push_back(enabled);
    }
    bool timerEnabled() const override { return timer; }
};

// A view that also remembers every text of status panel 1, in order: the
// panel a run and the detection write their progress to.
struct PanelView : FakeView {
    std::vector<std::string> panel1;
    void setStatusText(int panel, const std::string& text) override
    {
        FakeView::setStatusText(panel, text);
        if (panel == 1)
            panel1.push_back(text);
    }
};

} // namespace tonvera::test
