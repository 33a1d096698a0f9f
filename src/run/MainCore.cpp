#include "run/MainCore.h"

#include "device/SerialSupport.h"
#include "device/SleepPause.h"

namespace tonvera {

MainCore::MainCore(MainView& view, Dialogs& dialogs)
    : MainCore(view, dialogs, std::make_unique<SerialSupport>(), std::make_unique<SleepPause>(), nullptr, nullptr)
{
}

MainCore::MainCore(MainView& view, Dialogs& dialogs, SerialLine& line, Pause& pause)
    : MainCore(view, dialogs, nullptr, nullptr, &line, &pause)
{
}

MainCore::MainCore(MainView& view, Dialogs& dialogs, std::unique_ptr<SerialLine> ownLine,
                   std::unique_ptr<Pause> ownPause, SerialLine* line, Pause* pause)
    : OwnLine(std::move(ownLine)), OwnPause(std::move(ownPause)), Line(line ? line : OwnLine.get()),
      Pauser(pause ? pause : OwnPause.get()), Form(view, dialogs), Device(*Line, *Pauser),
      Download(Form, Device), Run(Form, Device, Download, Gate), Setup(Form, Device, Download, Gate)
{
}

MainCore::~MainCore() = default;

void MainCore::FormCreate()
{
    Form.view().setStatusText(StatusPanelSignal, "");
    Form.view().setStatusText(StatusPanelEich, "");
}

void MainCore::DownloadSet()
{
    CommandGate::Scope scope(Gate);
    if (scope.entered())
        Download.DownloadSet();
}

void MainCore::FormClose()
{
    Device.StopOutput();
    Device.CloseDevice();
}

} // namespace tonvera
