// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/MainCore.h"

#include <filesystem>
#include <system_error>

#include "device/SerialSupport.h"
#include "device/SleepPause.h"
#include "model/Numbers.h"
#include "run/PortLoss.h"

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
      Pauser(pause ? pause : OwnPause.get()), Form(view, dialogs), Device(*Line, *Pauser), Download(Form, Device),
      Run(Form, Device, Download, Gate, Events), Setup(Form, Device, Download, Gate), Hooks(Form, Device, Run),
      Files(Form, Hooks)
{
    Files.Told = [this](const FileEvent& e) { Events.tell(&RunListener::fileEvent, e); };
}

MainCore::~MainCore() = default;

namespace {

// The default files were written on a file system that ignores case
// ("Default.tva"); here the name as it stands wins, else the one file of the
// working directory whose name differs only in case.
std::string DefaultFile(const std::string& lowerName)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_regular_file(lowerName, ec))
        return lowerName;
    for (fs::directory_iterator it(".", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (AsciiEqualNoCase(name, lowerName) && it->is_regular_file(ec))
            return name;
    }
    return {};
}

} // namespace

bool MainCore::StartUp(const std::optional<std::string>& calFile, const std::optional<std::string>& projectFile)
{
    Form.view().setStatusText(StatusPanelSignal, "");
    Form.view().setStatusText(StatusPanelEich, "");
    if (calFile)
        Files.LoadEichFile(*calFile);
    return !projectFile || Files.LoadProject(*projectFile);
}

void MainCore::FormCreate()
{
    const auto named = [](const std::string& file) { return file.empty() ? std::nullopt : std::optional(file); };
    StartUp(named(DefaultFile("default.cal")), named(DefaultFile("default.tva")));
}

void MainCore::DownloadSet()
{
    CommandGate::Scope scope(Gate);
    if (scope.entered())
        CatchPortLost(Form, [&] { Download.DownloadSet(); });
}

bool MainCore::LoadTable(int slot)
{
    CommandGate::Scope scope(Gate);
    bool sent = false;
    CatchPortLost(Form, [&] { sent = Download.LoadTable(slot); });
    return sent;
}

void MainCore::Hardware1Click(HardwareDialogPort& dialog)
{
    Run.RunStopped();
    Setup.Hardware1Click(dialog);
}

bool MainCore::InitHardware(const std::string& portName)
{
    Run.RunStopped();
    return Setup.InitHardware(portName);
}

void MainCore::FormClose()
{
    Run.RunStopped();
    // Closing goes through whatever became of the line; a port that is gone
    // or stuck now is no news worth a box while the window goes.
    try {
        Device.StopOutput();
    } catch (const PortLostError&) {
    } catch (const LineStallError&) {
    }
    Device.CloseDevice();
}

} // namespace tonvera
