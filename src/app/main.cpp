#include <QApplication>
#include <QScreen>
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
    return app.exec();
}
