// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QStringList>
#include <QStyle>

#include "ui/AppWindows.h"
#include "ui/GermanQtTexts.h"
#include "ui/MainWindow.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tonvera");
    tonvera::InstallGermanQtTexts(app);
    tonvera::AppWindows windows = tonvera::CreateWindows();
    tonvera::MainWindow& main = *windows.MainForm;
    // Centred on the desktop.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        main.setGeometry(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, main.size(), screen->availableGeometry()));
    main.show();
    // "tonvera messung1.tva", as the desktop entry starts it for a project
    // opened in the file manager; Qt has taken its own options out by now.
    if (const QStringList args = QApplication::arguments(); args.size() > 1)
        main.OpenNamedProject(QFile::encodeName(args[1]).toStdString());
    return app.exec();
}
