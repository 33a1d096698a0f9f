// Renders the main window on the offscreen platform into a PNG, for the
// documentation and to look at the layout without a screen.
#include <QApplication>
#include <QPixmap>
#include <cstdio>

#include "ui/MainWindow.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshot-main.png");
    tonvera::MainWindow w;
    w.show();
    app.processEvents();
    if (!w.grab().save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
