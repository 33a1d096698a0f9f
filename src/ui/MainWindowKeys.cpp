// SPDX-License-Identifier: GPL-3.0-or-later
// The edits' keys and focus: Enter commits a parameter, and so does leaving
// the edit, but never both and never while another command runs.
#include "ui/MainWindow.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "model/SignalEditing.h"

namespace tonvera {

bool MainWindow::eventFilter(QObject* watched, QEvent* e)
{
    auto* lineEdit = qobject_cast<QLineEdit*>(watched);
    if (!lineEdit || !Editing)
        return QMainWindow::eventFilter(watched, e);
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        // Enter commits here; Tab commits by leaving the edit (below), so
        // it is not handled twice. Every key goes on to the edit unchanged.
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !Guard.busy())
            command([&] { Editing->FreqKeyPress(SignalEditing::KeyEnter); });
    } else if (e->type() == QEvent::FocusOut) {
        const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
        // The operator left the edit (Tab, a click elsewhere). Losing the
        // focus to a message box, a menu or another window is not leaving,
        // and neither is a command disabling the edit while it runs.
        const bool left = why == Qt::TabFocusReason || why == Qt::BacktabFocusReason || why == Qt::MouseFocusReason ||
                          why == Qt::ShortcutFocusReason || why == Qt::OtherFocusReason;
        if (left && !Guard.busy() && !Closed)
            command([&] { Editing->PreDampExit(); });
    }
    return QMainWindow::eventFilter(watched, e);
}

} // namespace tonvera
