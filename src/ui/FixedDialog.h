// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editors and the block diagram are fixed-size modal dialogs with only
// the system menu and the close box: one place sets that up.

#include <QDialog>
#include <QString>

namespace tonvera {

inline void SetUpFixedDialog(QDialog& dialog, const char* objectName, const QString& title, int width, int height)
{
    dialog.setObjectName(objectName);
    dialog.setWindowTitle(title);
    dialog.setModal(true);
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setFixedSize(width, height);
}

} // namespace tonvera
