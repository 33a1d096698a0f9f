// SPDX-License-Identifier: GPL-3.0-or-later
// A program for the recovery test: the windows as the program makes them,
// one change made through the widgets (a new signal at 777 Hz), then the
// event loop with the recovery interval given in milliseconds as the only
// argument. The test kills it and restores the change at the next start.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <chrono>
#include <cstdlib>

#include "model/QuietDialogs.h"
#include "ui/AppWindows.h"
#include "ui/MainWindow.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // No box may wait for an operator who is not there.
    tonvera::QuietDialogs dialogs;
    tonvera::AppWindows windows = tonvera::CreateWindows(&dialogs);
    tonvera::MainWindow& main = *windows.MainForm;
    main.setRecoveryInterval(std::chrono::milliseconds(argc > 1 ? std::atoi(argv[1]) : 1000));
    main.show();

    auto* newSignal = main.findChild<QPushButton*>("Button1");
    auto* freq = main.findChild<QLineEdit*>("Freq");
    if (!newSignal || !freq)
        return 2;
    newSignal->click();
    freq->setText("777");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(freq, &enter);
    if (!main.projectModified())
        return 3; // the test then waits for a file in vain and says so
    return app.exec();
}
