// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A main window shown and active, with recorded dialogs: the set-up of the
// tests that drive it through its widgets as the operator does.

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "model/MainForm.h"
#include "support/RecordingDialogs.h"
#include "ui/MainWindow.h"

namespace tonvera::test {

struct ShownWindow : ::testing::Test {
    RecordingDialogs dialogs;
    MainWindow w{&dialogs};

    void SetUp() override
    {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    MainState& st() { return w.form().state(); }
    // Types over the edit's text, as after a click into it.
    static void typeInto(QLineEdit* e, const QString& text)
    {
        e->setFocus(Qt::MouseFocusReason);
        e->selectAll();
        QTest::keyClicks(e, text);
    }
};

} // namespace tonvera::test
