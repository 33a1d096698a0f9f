// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ProjectLoadHooks.h"

#include "model/MainForm.h"
#include "model/SignalEditing.h"

namespace tonvera {

void ModelLoadHooks::CheckBoxClicked(CheckBox box)
{
    switch (box) {
    case CheckBox::ExternStart:
        // Unchecking does not stop the timer: it also polls a stopped device.
        if (Form.view().isChecked(CheckBox::ExternStart))
            Form.view().setTimerEnabled(true);
        break;
    case CheckBox::Repeated:
    case CheckBox::varcheck: break;
    default: SignalEditing(Form).PreDampExit(); break;
    }
}

void ModelLoadHooks::EnterAction() { SignalEditing(Form).FreqKeyPress(SignalEditing::KeyEnter); }

} // namespace tonvera
