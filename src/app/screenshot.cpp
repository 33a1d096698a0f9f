// Renders the main window with three signals on the offscreen platform into
// a PNG, for the documentation and to look at the layout without a screen.
// A second file name renders the window "Vorschau" of the same signals.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdio>

#include "model/SignalEditing.h"
#include "ui/AppWindows.h"
#include "ui/GermanQtTexts.h"
#include "ui/MainWindow.h"
#include "ui/PaintBox.h"
#include "ui/PreviewWindow.h"

using namespace tonvera;

namespace {

void type(MainWindow& w, QLineEdit* e, const char* text)
{
    e->setText(QString::fromUtf8(text));
    w.command([&] { w.editing().FreqKeyPress(SignalEditing::KeyEnter); });
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The picture never shows the user's settings nor offers a recovery
    // file of the user's last session.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath("state")));
    QApplication app(argc, argv);
    InstallGermanQtTexts(app);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshot-main.png");
    AppWindows windows = CreateWindows();
    MainWindow& w = *windows.MainForm;
    w.show();

    w.command([&] { w.editing().Button1Click(); });
    type(w, w.Freq, "1000");
    type(w, w.Start, "50");
    type(w, w.RampUp, "20");
    type(w, w.Stop, "300");
    type(w, w.RampDown, "40");

    w.command([&] { w.editing().Button1Click(); });
    w.RechtSel->click();
    type(w, w.Freq, "250");
    type(w, w.Start, "250");
    type(w, w.Stop, "400");
    type(w, w.Ampl, "6");
    type(w, w.RampUp, "10");
    type(w, w.RampDown, "10");

    w.command([&] { w.editing().Button1Click(); });
    w.SinusEichSel->click();
    type(w, w.Freq, "4000");
    type(w, w.Start, "500");
    type(w, w.Stop, "250");
    type(w, w.Ampl, "12");
    type(w, w.RampUp, "100");
    type(w, w.RampDown, "50");
    type(w, w.Phase, "90");

    w.command([&] { w.editing().SinusBoxMouseDown(w.SinusBox->height() / 2, w.SinusBox->height()); });
    app.processEvents();
    if (!w.grab().save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    if (argc < 3)
        return 0;

    const QString previewOut = QString::fromLocal8Bit(argv[2]);
    w.findChild<QAction*>("Vorschau1")->trigger();
    auto* preview = w.findChild<PreviewWindow*>("Vorschau");
    QElapsedTimer waited;
    waited.start();
    while (!preview->run() && waited.elapsed() < 10000)
        app.processEvents(QEventLoop::AllEvents, 20);
    app.processEvents();
    if (!preview->grab().save(previewOut)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(previewOut));
        return 1;
    }
    return 0;
}
