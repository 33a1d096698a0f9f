// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window for a terminal: the edits and check boxes are plain
// fields with the window's initial texts, and what the window would show
// while a run plays (status panels, the variable position) is written as
// progress lines to an output stream, each only when it changes.

#include <array>
#include <functional>
#include <ostream>
#include <string>

#include "model/MainView.h"

namespace tonvera::cli {

class ConsoleView : public MainView {
public:
    // `progress` may be null: nothing is written then (check, simulate).
    explicit ConsoleView(std::ostream* progress) : Progress(progress) {}

    [[nodiscard]] std::string editText(EditField field) const override { return Edits[index(field)]; }
    void setEditText(EditField field, const std::string& text) override { Edits[index(field)] = text; }
    void setLocalEditsEnabled(bool) override {}
    void focusEdit(EditField) override {}

    [[nodiscard]] int checkedType() const override { return TypeCode; }
    void setCheckedType(int code) override { TypeCode = code; }

    [[nodiscard]] bool isChecked(CheckBox box) const override { return Checks[index(box)]; }
    void setChecked(CheckBox box, bool checked) override { Checks[index(box)] = checked; }

    [[nodiscard]] Priority priority() const override { return Prio; }
    void setPriority(Priority p) override { Prio = p; }

    void setAmSetCaption(const std::string&) override {}
    void setAktVarText(const std::string& text) override;
    [[nodiscard]] OrderSetting order() const override { return Order; }
    void setOrder(const OrderSetting& order) override { Order = order; }
    void setPresentationText(const std::string& text) override;
    // The tool prints the seed it used once the run has started.
    void setDrawnSeedText(const std::string&) override {}

    [[nodiscard]] std::string statusText(int panel) const override;
    void setStatusText(int panel, const std::string& text) override;
    void repaintStatusBar() override {}

    void repaintSignalDisplay() override {}
    void invalidateSignalDisplay() override {}

    void setTimerEnabled(bool enabled) override;
    [[nodiscard]] bool timerEnabled() const override { return Timer; }

    // Told every text a status panel gets, progress steps included.
    std::function<void(int panel, const std::string& text)> StatusObserver;
    [[nodiscard]] const std::string& aktVar() const { return AktVar; }
    [[nodiscard]] const std::string& presentation() const { return Presentation; }

private:
    template <typename E>
    static std::size_t index(E e)
    {
        return static_cast<std::size_t>(e);
    }
    void line(const std::string& text);

    std::ostream* Progress;
    // The window's design-time texts; the model's "Neu" then sets the
    // global parameters.
    std::array<std::string, EditFieldCount> Edits{"", "", "", "", "", "", "", "0", "0", "0", "0", "1"};
    int TypeCode = -1;
    std::array<bool, CheckBoxCount> Checks{false, false, false, true, true, true, true, true, true, true, true};
    Priority Prio = Priority::Wiederzuerst;
    std::string AktVar = "1";
    OrderSetting Order;
    std::string Presentation;
    std::array<std::string, StatusPanelCount> Status{"Status", "Hardware nicht initialisiert", "Signal", "EichStatus"};
    // The last progress line of each panel, so a table upload does not
    // print a hundred lines.
    std::array<std::string, StatusPanelCount> Shown{};
    // The last line of each panel that was not a transfer's step.
    std::array<std::string, StatusPanelCount> Settled{};
    bool Timer = false;
};

} // namespace tonvera::cli
