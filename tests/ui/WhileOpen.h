// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs checks inside a modal window: the window's own event loop is the
// only one running while it is open, so the checks come in by a zero-length
// timer, and the window is closed afterwards even when a check fails.

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <exception>
#include <functional>
#include <gtest/gtest.h>

namespace tonvera::test {

inline void whileOpen(QDialog& window, const std::function<void()>& inside, const std::function<void()>& open)
{
    bool ran = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &window, [&] {
        struct Close {
            QDialog& w;
            ~Close() { w.reject(); }
        } close{window};
        EXPECT_TRUE(window.isVisible());
        // An exception must not cross the window's event loop; the checks
        // end there and the test fails.
        try {
            inside();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "inside the open window: " << e.what();
        }
        ran = true;
    });
    timer.start(0);
    open();
    EXPECT_TRUE(ran);
}

// Runs `act` on the modal window as soon as one is open (a box or file
// dialog the code under test opens and waits for).
inline void whenModal(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget* w = QApplication::activeModalWidget();
        ASSERT_NE(w, nullptr);
        act(w);
    });
}

} // namespace tonvera::test
