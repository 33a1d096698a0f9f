// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Verschiedenes.h"

#include "model/Dialogs.h"
#include "model/MainState.h"

namespace tonvera {

void Version1Click(Dialogs& dialogs) { dialogs.messageBox(VersionText, VersionCaption); }

bool Verschiedenes::CheckParam() const { return state_.CheckParam; }

void Verschiedenes::SetCheckParam(bool on) { state_.CheckParam = on; }

void Verschiedenes::Verschiedenes1Click()
{
    tasterHigh_ = state_.TastHigh;
    if (Changed)
        Changed();
    if (ShowModal)
        ShowModal();
    state_.TastHigh = tasterHigh_;
}

} // namespace tonvera
