// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Layout as properties rather than coordinates: the named controls of a
// window or panel lie inside it and leave each other room, whatever sizes
// the design gives them.

#include <QList>
#include <QWidget>
#include <gtest/gtest.h>

namespace tonvera::test {

// The direct children with a design name (the helpers Qt adds have none,
// or one beginning "qt_") inside `parent`, no two overlapping; then the same for
// the children of each.
inline void ExpectNamedControlsApart(const QWidget& parent)
{
    QList<QWidget*> named;
    for (QWidget* c : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!c->objectName().isEmpty() && !c->objectName().startsWith("qt_") && !c->isWindow())
            named << c;
    const std::string where = parent.objectName().toStdString();
    for (int i = 0; i < named.size(); ++i) {
        const std::string name = named[i]->objectName().toStdString();
        EXPECT_FALSE(named[i]->geometry().isEmpty()) << name << " in " << where;
        EXPECT_TRUE(parent.rect().contains(named[i]->geometry())) << name << " in " << where;
        for (int j = i + 1; j < named.size(); ++j)
            EXPECT_FALSE(named[i]->geometry().intersects(named[j]->geometry()))
                << name << " over " << named[j]->objectName().toStdString() << " in " << where;
        ExpectNamedControlsApart(*named[i]);
    }
}

} // namespace tonvera::test
