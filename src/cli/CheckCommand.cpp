// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"
#include "ConsoleDialogs.h"
#include "ProjectCheck.h"
#include "ProjectInput.h"
#include "model/Errors.h"

namespace tonvera::cli {

int RunCheck(const CliOptions& o, std::ostream& out, std::ostream& err)
{
    std::optional<Project> read = ReadProjectOrReport(o.files, o.cal, err);
    if (!read)
        return ExitUsage;
    Project& project = *read;
    ApplyOrderOptions(o, project.Globals.Order);

    const std::vector<Problem> problems = CheckProject(project, o.priority);
    int errors = 0, warnings = 0;
    bool overflow = false;
    for (const Problem& p : problems) {
        out << ConsoleText(FormatProblem(p)) << '\n';
        (p.warning ? warnings : errors) += 1;
        overflow = overflow || p.overflow;
    }
    std::string summary = errors == 0
                              ? "Keine Probleme gefunden"
                              : std::to_string(errors) + (errors == 1 ? " Problem gefunden" : " Probleme gefunden");
    if (warnings > 0)
        summary += ", " + std::to_string(warnings) + (warnings == 1 ? " Warnung" : " Warnungen");
    out << summary << '.' << std::endl;
    // As play and render end when the device reported overflow.
    if (errors > 0)
        return ExitProblems;
    return overflow ? ExitOverflow : ExitOk;
}
} // namespace tonvera::cli
