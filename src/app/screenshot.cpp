// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <utility>
#include <vector>

#include "model/SignalEditing.h"
#include "ui/AppWindows.h"
#include "ui/GermanQtTexts.h"
#include "ui/MainWindow.h"
#include "ui/PaintBox.h"
#include "ui/PreviewWindow.h"

using namespace tonvera;

namespace {

void type(MainWindow& w, const char* edit, const char* text)
{
    w.findChild<QLineEdit*>(edit)->setText(QString::fromUtf8(text));
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

    // Three signals, each as the operator types it: its type, then its
    // edits in the order they are filled in.
    struct Signal {
        const char* type; // the radio button, none for a sine
        std::vector<std::pair<const char*, const char*>> edits;
    };
    const Signal set[] = {
        {nullptr, {{"Freq", "1000"}, {"Start", "50"}, {"RampUp", "20"}, {"Stop", "300"}, {"RampDown", "40"}}},
        {"RechtSel",
         {{"Freq", "250"}, {"Start", "250"}, {"Stop", "400"}, {"Ampl", "6"}, {"RampUp", "10"}, {"RampDown", "10"}}},
        {"SinusEichSel",
         {{"Freq", "4000"},
          {"Start", "500"},
          {"Stop", "250"},
          {"Ampl", "12"},
          {"RampUp", "100"},
          {"RampDown", "50"},
          {"Phase", "90"}}},
    };
    for (const Signal& signal : set) {
        w.command([&] { w.editing().Button1Click(); });
        if (signal.type) // a new signal is a sine
            w.findChild<QRadioButton*>(signal.type)->click();
        for (const auto& [edit, text] : signal.edits)
            type(w, edit, text);
    }

    const int displayHeight = w.findChild<QWidget*>("SinusBox")->height();
    w.command([&] { w.editing().SinusBoxMouseDown(displayHeight / 2, displayHeight); });
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
