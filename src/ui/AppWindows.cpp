// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppWindows.h"

#include "ui/HardInitDialog.h"
#include "ui/MainWindow.h"
#include "model/MainForm.h"
#include "run/MainCore.h"
#include "ui/BlockWindow.h"
#include "ui/CalibrationWindow.h"
#include "ui/EichWindow.h"
#include "ui/PreviewWindow.h"
#include "ui/SimWindow.h"
#include "ui/VariablenWindow.h"
#include "ui/VerschiedenesWindow.h"

namespace tonvera {

AppWindows CreateWindows(Dialogs* dialogs, const std::function<void(MainWindow&)>& install)
{
    AppWindows w;
    w.MainForm = std::make_unique<MainWindow>(dialogs);
    MainWindow& main = *w.MainForm;
    if (install)
        install(main);
    main.FormCreate();

    MainState& state = main.form().state();
    w.HardInit = new HardInitDialog(main.guard(), &main);
    auto* block = new BlockWindow(&main);
    auto* variablen = new VariablenWindow(main.dialogs(), main.guard(), &main);
    auto* sim = new SimWindow(state.VariPos, main.dialogs(), main.guard(), &main);
    auto* eich = new EichWindow(main.dialogs(), main.guard(), &main);
    auto* options = new VerschiedenesWindow(state, &main);
    w.Block = block;
    w.Variablen = variablen;
    w.SimWin = sim;
    w.EichForm = eich;
    w.Verschiedenes = options;
    auto* assistant = new CalibrationWindow(main.core(), main.dialogs(), main.guard(), &main);
    w.Kalibrierassistent = assistant;

    // The editors borrow the main window's tables while they are open; the
    // display shows the variables' values, so it is redrawn afterwards.
    MainWindow* m = &main;
    main.hooks.NeueVariable1Click = [m, variablen] {
        variablen->EditVariables(m->form().state().VariTable);
        m->repaintSignalDisplay();
    };
    main.hooks.EichungClick = [m, eich] { eich->EditEichTable(m->form().state().EichTable); };
    main.hooks.Button7Click = [m, sim] {
        sim->Button7Click(m->form());
        m->repaintSignalDisplay();
    };
    main.hooks.Verschiedenes1Click = [options] { options->Verschiedenes1Click(); };
    main.hooks.Blockschaltbild1Click = [block] { block->Blockschaltbild1Click(); };
    main.hooks.Kalibrierassistent1Click = [assistant] { assistant->Kalibrierassistent1Click(); };

    static_cast<OwnedWindows&>(main) = w;
    InstallPreview(main);
    return w;
}

} // namespace tonvera
