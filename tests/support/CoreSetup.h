// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Signals and variables put straight into a core's state, for tests that
// need a project without loading one.

#include <string>
#include <vector>

#include "model/SinusRecord.h"
#include "run/MainCore.h"
#include "support/FakeView.h"

namespace tonvera::test {

// A used sine in slot i with the given frequency text; all other texts the
// defaults, the table all zeros (so nothing is uploaded).
inline void AddSine(MainCore& core, int i, const std::string& freq)
{
    SinusRecord& r = core.form().Record(i);
    r.Used = true;
    r.SetDefaultTexts();
    r.Freq = freq;
    r.TabTyp = TypeSinus;
}

// Variable "F" in slot 0 with these values.
inline void SetVariableF(MainCore& core, std::vector<std::string> values)
{
    values.insert(values.begin(), "F");
    core.state().VariTable.slot(0) = values;
}

// A sine in slot 0 whose frequency is variable F with these values, run
// through the positions ("Durchlaufen" checked).
inline void SineThroughF(MainCore& core, FakeView& view, std::vector<std::string> values)
{
    AddSine(core, 0, "F");
    SetVariableF(core, std::move(values));
    view.check(CheckBox::varcheck) = true;
}

} // namespace tonvera::test
