// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tests reach a window's controls by the design names the window gives them
// as object names, as the other windows do; the widgets themselves are the
// window's own. A name that is missing or doubled fails the test at the
// lookup with the name, not as a crash further on.

#include <QMenu>
#include <QObject>
#include <QString>
#include <QWidget>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace tonvera::test {

// Whether `c` lies inside another window below `window` (a dialog the
// window owns); its menus are popups, but their actions are the window's.
inline bool InOtherWindow(const QObject* c, const QObject& window)
{
    for (const QObject* o = c->parent(); o != nullptr && o != &window; o = o->parent()) {
        const auto* w = qobject_cast<const QWidget*>(o);
        if (w != nullptr && w->isWindow() && qobject_cast<const QMenu*>(w) == nullptr)
            return true;
    }
    return false;
}

// The one control of type T named `name` in `window`. The dialogs a window
// owns are its children too, but their controls are not the window's.
template <class T>
T* control(const QObject& window, const char* name)
{
    T* found = nullptr;
    int count = 0;
    for (T* c : window.findChildren<T*>(QString::fromUtf8(name))) {
        if (InOtherWindow(c, window))
            continue;
        found = c;
        ++count;
    }
    if (count != 1) {
        const std::string what = std::string(count == 0 ? "no control named \"" : "several controls named \"") + name +
                                 "\" of type " + T::staticMetaObject.className() + " in " +
                                 window.objectName().toStdString();
        ADD_FAILURE() << what;
        throw std::logic_error(what);
    }
    return found;
}

} // namespace tonvera::test
