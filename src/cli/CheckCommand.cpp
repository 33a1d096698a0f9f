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

    const std::vector<Problem> problems = CheckProject(project, o.priority);
    int errors = 0;
    for (const Problem& p : problems) {
        out << ConsoleText(FormatProblem(p)) << '\n';
        errors += p.warning ? 0 : 1;
    }
    if (errors == 0)
        out << "Keine Probleme gefunden." << std::endl;
    else
        out << errors << (errors == 1 ? " Problem gefunden." : " Probleme gefunden.") << std::endl;
    return errors == 0 ? ExitOk : ExitProblems;
}

} // namespace tonvera::cli
