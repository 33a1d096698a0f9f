// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileCommands.h"

#include <array>
#include <exception>
#include <filesystem>
#include <utility>

#include "files/EichFile.h"
#include "files/ProjectFile.h"
#include "files/LineReader.h"
#include "files/Sha256.h"
#include "files/TextFile.h"
#include "model/Dialogs.h"
#include "model/Errors.h"

namespace tonvera {

namespace {

// The boxes with a click handler, in the order of the file's Global section.
constexpr std::array<CheckBox, 9> ClickOrder = {
    CheckBox::StartCheck, CheckBox::RampUpCheck,   CheckBox::FreqCheck, CheckBox::PhaseCheck,  CheckBox::AmplCheck,
    CheckBox::StopCheck,  CheckBox::RampDownCheck, CheckBox::TypCheck,  CheckBox::ExternStart,
};

} // namespace

void FileCommands::WriteProject(std::vector<std::string>& lines) const
{
    tonvera::WriteProject(Form.state(), ReadGlobals(Form.view()), lines, DecimalSeparator);
}

void FileCommands::SaveProject(const std::string& fileName)
{
    const ProjectGlobals globals = ReadGlobals(Form.view());
    CheckProjectTexts(Form.state(), globals);
    std::vector<std::string> lines;
    tonvera::WriteProject(Form.state(), globals, lines, DecimalSeparator);
    const std::string bytes = ProjectFileBytes(lines);
    WriteFileAtomically(fileName, bytes);
    Tell(FileEvent::Kind::Project, FileEvent::Action::Saved, fileName, Sha256Hex(bytes));
}

bool FileCommands::LoadProject(const std::string& fileName)
{
    LineReader lines = LineReader::Open(fileName, true);

    Project next{Form.state(), ReadGlobals(Form.view())};
    ResetProject(next);
    if (!ReadProject(lines, next, DecimalSeparator)) {
        Form.dialogs().messageBox(NotAProjectMessage(fileName), AttentionTitle);
        return false;
    }
    ClampSelectedSignal(next.State);
    // From here on nothing can fail for the file's sake.
    ProjectFileName = fileName;
    ++ProjectsLoaded;
    Tell(FileEvent::Kind::Project, FileEvent::Action::Loaded, fileName, lines.sha256());
    AdoptProject(std::move(next));
    return true;
}

void FileCommands::AdoptProject(Project next, bool freshTables)
{
    Form.replaceState(std::move(next.State));
    MainView& view = Form.view();
    const auto changed = ApplyGlobals(next.Globals, view);

    view.invalidateSignalDisplay();
    // The project is loaded whatever the device makes of its tables: a
    // table that did not get through is reported once the load is done.
    std::exception_ptr upload;
    if (freshTables) {
        try {
            Hooks.ReloadTables(Form.state().SinusArray);
        } catch (const AbortError&) {
            upload = std::current_exception();
        }
    }
    Form.ShowSignal();
    Form.EnableLocalEdits();
    // The click handlers run once the loaded signal is shown: the display
    // boxes commit the edits, which must hold the loaded texts by then.
    for (CheckBox box : ClickOrder)
        if (changed[static_cast<std::size_t>(box)])
            Hooks.CheckBoxClicked(box);
    Hooks.RepaintParInfo();
    Hooks.EnterAction();
    if (upload)
        std::rethrow_exception(upload);
}

void FileCommands::SaveEichFile(const std::string& fileName)
{
    const std::string bytes = EichFileBytes(Form.state().EichTable);
    WriteFileAtomically(fileName, bytes);
    Tell(FileEvent::Kind::Calibration, FileEvent::Action::Saved, fileName, Sha256Hex(bytes));
}

void FileCommands::LoadEichFile(const std::string& fileName)
{
    std::error_code ec;
    if (!std::filesystem::exists(fileName, ec)) {
        Form.dialogs().messageBox(MissingEichFileText(fileName), AttentionTitle);
        return;
    }
    LineReader lines = LineReader::Open(fileName, false);
    ReadEichFile(lines, DecimalSeparator, Form.state().EichTable);
    Tell(FileEvent::Kind::Calibration, FileEvent::Action::Loaded, fileName, lines.sha256());
}

void FileCommands::Tell(FileEvent::Kind what, FileEvent::Action done, const std::string& path, std::string sha256) const
{
    if (Told)
        Told(FileEvent{what, done, path, std::move(sha256)});
}

namespace {

// Asks for a file name in the dialog that starts at `remembered`; a chosen
// name is remembered for the dialog's next showing.
std::optional<std::string> askFileName(Dialogs& dialogs, bool save, const FileDialogSetup& setup,
                                       std::string& remembered)
{
    const std::string filter = setup.filter, ext = setup.defaultExt;
    auto name = save ? dialogs.saveFileName(filter, ext, remembered) : dialogs.openFileName(filter, ext, remembered);
    if (name)
        remembered = *name;
    return name;
}

} // namespace

bool FileCommands::Speichern1Click()
{
    const auto name = askFileName(Form.dialogs(), true, SaveFileSetup, SaveFileName);
    if (!name)
        return false;
    SaveProject(*name);
    ProjectFileName = *name;
    return true;
}

void FileCommands::OpenProject(const std::string& fileName)
{
    const std::uint64_t before = ProjectsLoaded;
    try {
        LoadProject(fileName);
    } catch (...) {
        if (ProjectsLoaded != before)
            SaveFileName = fileName;
        throw;
    }
    if (ProjectsLoaded != before)
        SaveFileName = fileName;
}

void FileCommands::Laden1Click()
{
    if (const auto name = askFileName(Form.dialogs(), false, OpenFileSetup, OpenFileName))
        OpenProject(*name);
}

void FileCommands::Kalibrierdatenspeichern1Click()
{
    if (const auto name = askFileName(Form.dialogs(), true, SaveDialog2Setup, SaveDialog2FileName))
        SaveEichFile(*name);
}

void FileCommands::Kalibrierdatenladen1Click()
{
    if (const auto name = askFileName(Form.dialogs(), false, OpenDialog2Setup, OpenDialog2FileName))
        LoadEichFile(*name);
}

} // namespace tonvera
