#include "ui/AppWindows.h"

#include "ui/HardInitDialog.h"
#include "ui/MainWindow.h"
#include "ui/PlaceholderWindow.h"

namespace tonvera {

AppWindows CreateWindows(Dialogs* dialogs, const std::function<void(MainWindow&)>& install)
{
    AppWindows w;
    w.MainForm = std::make_unique<MainWindow>(dialogs);
    MainWindow& main = *w.MainForm;
    if (install)
        install(main);
    main.FormCreate();

    w.HardInit = new HardInitDialog(main.guard(), &main);
    w.Block = new PlaceholderWindow("Block", "Block", &main);
    w.Variablen = new PlaceholderWindow("Variablen", "Variablen", &main);
    w.SimWin = new PlaceholderWindow("SimWin", "Simulationsergebnis", &main);
    w.EichForm = new PlaceholderWindow("EichForm", "Eichdaten Eingabe", &main);
    w.Verschiedenes = new PlaceholderWindow("Verschiedenes", "Verschiedenes", &main);

    main.HardInit = w.HardInit;
    main.Block = w.Block;
    main.Variablen = w.Variablen;
    main.SimWin = w.SimWin;
    main.EichForm = w.EichForm;
    main.Verschiedenes = w.Verschiedenes;
    return w;
}

} // namespace tonvera
