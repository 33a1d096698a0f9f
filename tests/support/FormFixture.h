// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A MainForm on a plain-field view and recorded dialogs, with the signal
// editing commands: the ground most model tests stand on.

#include <gtest/gtest.h>

#include "model/MainForm.h"
#include "model/SignalEditing.h"
#include "support/FakeView.h"
#include "support/RecordingDialogs.h"

namespace tonvera::test {

struct FormFixture : ::testing::Test {
    FakeView view;
    RecordingDialogs dialogs;
    MainForm form{view, dialogs};
    SignalEditing edit{form};
};

} // namespace tonvera::test
