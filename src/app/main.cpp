#include <QApplication>
#include <QScreen>

#include "ui/MainWindow.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tonvera::MainWindow w;
    w.show();
    return app.exec();
}
