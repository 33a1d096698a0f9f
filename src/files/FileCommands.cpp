#include "files/FileCommands.h"

#include <array>
#include <exception>
#include <filesystem>
#include <utility>

#include "files/EichFile.h"
#include "files/ProjectFile.h"
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
    WriteFileAtomically(fileName, ProjectFileBytes(lines));
}

bool FileCommands::LoadProject(const std::string& fileName)
{
    const std::string bytes = ReadFileBytes(fileName);

    Project next{Form.state(), ReadGlobals(Form.view())};
    ResetProject(next);
    if (!ParseProject(bytes, next, DecimalSeparator)) {
        Form.dialogs().messageBox(NotAProjectMessage(fileName), AttentionTitle);
        return false;
    }
    ClampSelectedSignal(next.State);
    // From here on nothing can fail for the file's sake.
    ProjectFileName = fileName;
    ++ProjectsLoaded;
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
    WriteFileAtomically(fileName, EichFileBytes(Form.state().EichTable));
}

void FileCommands::LoadEichFile(const std::string& fileName)
{
    std::error_code ec;
    if (!std::filesystem::exists(fileName, ec)) {
        Form.dialogs().messageBox("Kann " + fileName + " Kalibrierung nicht öffnen!", AttentionTitle);
        return;
    }
    const std::string bytes = ReadFileBytes(fileName);
    ParseEichFile(bytes, DecimalSeparator, fileName, Form.state().EichTable);
}

bool FileCommands::Speichern1Click()
{
    const auto name = Form.dialogs().saveFileName(SaveFileSetup.filter, SaveFileSetup.defaultExt, SaveFileName);
    if (!name)
        return false;
    SaveFileName = *name;
    SaveProject(*name);
    ProjectFileName = *name;
    return true;
}

void FileCommands::Laden1Click()
{
    const auto name = Form.dialogs().openFileName(OpenFileSetup.filter, OpenFileSetup.defaultExt, OpenFileName);
    if (!name)
        return;
    OpenFileName = *name;
    if (LoadProject(*name))
        SaveFileName = *name;
}

void FileCommands::Kalibrierdatenspeichern1Click()
{
    const auto name =
        Form.dialogs().saveFileName(SaveDialog2Setup.filter, SaveDialog2Setup.defaultExt, SaveDialog2FileName);
    if (!name)
        return;
    SaveDialog2FileName = *name;
    SaveEichFile(*name);
}

void FileCommands::Kalibrierdatenladen1Click()
{
    const auto name =
        Form.dialogs().openFileName(OpenDialog2Setup.filter, OpenDialog2Setup.defaultExt, OpenDialog2FileName);
    if (!name)
        return;
    OpenDialog2FileName = *name;
    LoadEichFile(*name);
}

} // namespace tonvera
