// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The progress window of long device operations: table uploads, the
// firmware upload and the hardware search. The core asks it between two
// blocks whether to go on; meanwhile it lets the program's events run, so
// the window repaints and the desktop never takes the program for hung.
// It appears only when an operation lasts, so quick uploads flash nothing;
// until then user input waits in the queue, and once it is up it is modal,
// so no click reaches the main window in the middle of an upload.

#include <QElapsedTimer>
#include <QWidget>

#include "run/ProgressPort.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace tonvera {

// A window of its own kind rather than a QDialog: it comes and goes with the
// operations, and is none of the program's dialogs.
class ProgressWindow : public QWidget, public ProgressPort {
    Q_OBJECT
public:
    // The window shows over `owner`, or over the modal window open then
    // (the hardware dialog).
    explicit ProgressWindow(QWidget* owner);

    // An operation that ends before this shows no window.
    static constexpr int ShowAfterMs = 400;

    void showProgress(const std::string& text, int percent) override;
    [[nodiscard]] bool cancelRequested() override;
    void keepAlive() override;
    void endProgress() override;

protected:
    // Esc and the close box mean "Abbrechen".
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    // The owner is not closed in the middle of an operation.
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void begin();
    void liveEvents();

    QWidget* Owner;
    QLabel* Text;
    QProgressBar* Bar;
    QPushButton* CancelButton;
    QElapsedTimer Since;
    bool Busy = false;
    bool Cancel = false;
};

} // namespace tonvera
