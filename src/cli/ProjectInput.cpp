// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectInput.h"

#include <filesystem>

#include "ConsoleDialogs.h"
#include "ConsoleView.h"
#include "files/EichFile.h"
#include "files/LineReader.h"
#include "model/Errors.h"
#include "model/MainForm.h"
#include "model/QuietDialogs.h"

namespace tonvera::cli {

Project FreshProject()
{
    ConsoleView view(nullptr);
    QuietDialogs dialogs(QuietDialogs::Queries::Accept);
    MainForm fresh(view, dialogs);
    return Project{fresh.state(), ReadGlobals(view)};
}

Project ReadProjectFile(const std::string& projectFile, const std::optional<std::string>& calFile)
{
    Project p = FreshProject();

    if (calFile) {
        std::error_code ec;
        if (!std::filesystem::exists(*calFile, ec))
            throw FileError(MissingEichFileText(*calFile));
        LineReader lines = LineReader::Open(*calFile, false);
        ReadEichFile(lines, ',', p.State.EichTable);
    }

    LineReader lines = LineReader::Open(projectFile, true);
    ResetProject(p);
    if (!ReadProject(lines, p, ','))
        throw FileError(NotAProjectMessage(projectFile));
    ClampSelectedSignal(p.State);
    return p;
}

std::optional<Project> ReadProjectOrReport(const std::vector<std::string>& files,
                                           const std::optional<std::string>& calFile, std::ostream& err)
{
    try {
        return ReadProjectFile(files[0], calFile);
    } catch (const AbortError& e) {
        err << "Fehler: " << ConsoleText(e.text()) << std::endl;
        return std::nullopt;
    }
}

const std::string& GlobalText(const ProjectGlobals& g, EditField field)
{
    switch (field) {
    case EditField::Signaldauer: return g.Signaldauer;
    case EditField::Triggerstart: return g.Triggerstart;
    case EditField::Triggerstop: return g.Triggerstop;
    case EditField::EndDamp: return g.EndDamp;
    case EditField::AnzWieder: return g.AnzWieder;
    default: throw RangeError();
    }
}

int PositionsOf(const MainState& state)
{
    const int n = state.VariTable.PositionCount();
    return n < 1 ? 1 : n;
}

} // namespace tonvera::cli
