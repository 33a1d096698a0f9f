// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window as the core sees it: a passive view. It holds the texts of
// the edits and the states of the check boxes and radio buttons; the core
// reads and writes them and asks for repaints. Setting a state from here
// must not call back into the core (a radio button set by ShowSignal does
// not run its click handler).

#include <string>

#include "model/PositionOrder.h"

namespace tonvera {

// The parameter edits of the main window: the seven local ones first, in the
// order of the record fields, then the global ones.
enum class EditField {
    Freq,
    Phase,
    Ampl,
    Start,
    Stop, // shows the record field Dach
    RampUp,
    RampDown,
    EndDamp,
    Signaldauer,
    Triggerstart,
    Triggerstop,
    AnzWieder,
};
inline constexpr int EditFieldCount = 12;
inline constexpr int LocalEditCount = 7;

enum class CheckBox {
    Repeated,    // "Unendlich"
    varcheck,    // "Durchlaufen"
    ExternStart, // "Externes Starten"
    StartCheck,
    RampUpCheck,
    FreqCheck,
    PhaseCheck,
    AmplCheck,
    StopCheck,
    RampDownCheck,
    TypCheck,
};
inline constexpr int CheckBoxCount = 11;

enum class Priority {
    Wiederzuerst,   // "Wieder.->Variablen"
    Variablezuerst, // "Variablen->Wieder."
};

// The four panels of the status bar.
enum StatusPanel : int {
    StatusPanelStatus = 0,   // "Status"
    StatusPanelHardware = 1, // "Hardware nicht initialisiert"
    StatusPanelSignal = 2,   // "Signal", "Signal OK", "Signalüberlauf!"
    StatusPanelEich = 3,     // "EichStatus"
};
inline constexpr int StatusPanelCount = 4;

class MainView {
public:
    virtual ~MainView() = default;

    [[nodiscard]] virtual std::string editText(EditField field) const = 0;
    virtual void setEditText(EditField field, const std::string& text) = 0;
    // Enables or disables the seven local edits together.
    virtual void setLocalEditsEnabled(bool enabled) = 0;
    virtual void focusEdit(EditField field) = 0;

    // The checked button of the group "Signaltyp" as a type code 0..5, or -1
    // when none is checked.
    [[nodiscard]] virtual int checkedType() const = 0;
    virtual void setCheckedType(int typeCode) = 0;

    [[nodiscard]] virtual bool isChecked(CheckBox box) const = 0;
    virtual void setChecked(CheckBox box, bool checked) = 0;

    [[nodiscard]] virtual Priority priority() const = 0;
    virtual void setPriority(Priority p) = 0;

    // Caption of the small button beside "AM": "Set" or the carrier multiple.
    virtual void setAmSetCaption(const std::string& caption) = 0;
    // The label that shows the variable position.
    virtual void setAktVarText(const std::string& text) = 0;
    // "Reihenfolge" beside "Durchlaufen", with its seed and list fields.
    [[nodiscard]] virtual OrderSetting order() const = 0;
    virtual void setOrder(const OrderSetting& order) = 0;
    // The label beside the position: "Darbietung 2 von 5", or empty.
    virtual void setPresentationText(const std::string& text) = 0;
    // The seed a Start drew for an empty seed field (its decimal digits),
    // shown without filling the field in: the next Start draws again.
    // Empty: none.
    virtual void setDrawnSeedText(const std::string& text) = 0;

    [[nodiscard]] virtual std::string statusText(int panel) const = 0;
    virtual void setStatusText(int panel, const std::string& text) = 0;
    // Redraws the status bar at once (long transfers block the event loop).
    virtual void repaintStatusBar() = 0;

    // Redraws the signal display at once.
    virtual void repaintSignalDisplay() = 0;
    // Marks the signal display for a redraw when the event loop gets to it.
    virtual void invalidateSignalDisplay() = 0;

    // The 50 ms polling timer.
    virtual void setTimerEnabled(bool enabled) = 0;
    [[nodiscard]] virtual bool timerEnabled() const = 0;
};

} // namespace tonvera
