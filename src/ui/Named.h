// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every control carries its design name as its object name: the other
// windows and the tests find it by that name, not through the window's
// members.

#include <QString>
#include <utility>

namespace tonvera {

template <class T, class... Args>
T* Named(const char* name, Args&&... args)
{
    auto* control = new T(std::forward<Args>(args)...);
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

} // namespace tonvera
