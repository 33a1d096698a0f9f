// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's commands that change the signal set: new, copy, delete,
// select by clicking a lane, the six signal types (with the AM carrier
// multiple) and the commit key. They work on a MainForm and reach the
// screen only through its view and dialogs.

#include <cstdint>
#include <functional>

#include "model/MainForm.h"

namespace tonvera {

class SignalEditing {
public:
    static constexpr int KeyEnter = 13;
    static constexpr int KeyTab = 9;

    explicit SignalEditing(MainForm& form) : Form(form) {}

    // "&Neues Signal": commits the edits, appends a sine signal with the
    // default texts and selects it; a ninth one is refused.
    void Button1Click(); // "&Neues Signal"
    // "Signal kopieren": a new signal that is an exact copy of the selected
    // one, pending edits included.
    void Button9Click(); // "Signal kopieren"
    // "Signal &löschen": removes the selected signal (no commit, no
    // question); the first signal is selected afterwards.
    void Button2Click(); // "Signal &löschen"
    // A mouse button pressed in the signal display at height y of a display
    // `height` pixels high: selects the lane whose centre is nearest.
    void SinusBoxMouseDown(int y, int height); // the signal display SinusBox

    void SinusSelClick();     // "Sinus"
    void SinusEichSelClick(); // "Sinus (geeicht)"
    // From the radio button "AM" (fromAmSet false) nothing happens when the
    // signal is AM already; from the button beside it the carrier dialog
    // always opens.
    void AMSelClick(bool fromAmSet); // "AM", and "Set" beside it
    void RechtSelClick();            // "Rechteck"
    void RauschenSelClick();         // "Rauschen"
    void MuteSelClick();             // "Mute"

    // Enter and Tab commit; every other key passes unchanged. Returns true
    // when the key was a commit key.
    bool FreqKeyPress(int key); // a key in any of the eleven parameter edits
    // Leaving one of the eleven parameter edits, or clicking one of the
    // eight display check boxes: the same as Enter.
    void PreDampExit(); // leaving a parameter edit, or a display check box

private:
    SinusRecord* selected();
    // Gives the selected record another type and fills its table for it;
    // nothing when no record is selected or it has that type already.
    void ChangeType(std::int32_t type, const std::function<void(SinusRecord&)>& fill);
    void repaint() { Form.view().repaintSignalDisplay(); }
    void finishNewOrCopy();

    MainForm& Form;
};

} // namespace tonvera
