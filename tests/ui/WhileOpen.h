#pragma once
// Runs checks inside a modal window: the window's own event loop is the
// only one running while it is open, so the checks come in by a zero-length
// timer, and the window is closed afterwards even when a check fails.

#include <QDialog>
#include <QTimer>
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
        inside();
        ran = true;
    });
    timer.start(0);
    open();
    EXPECT_TRUE(ran);
}

} // namespace tonvera::test
