#include "Commands.h"

namespace tonvera::cli {

int RunRender(const CliOptions&, std::ostream&, std::ostream& err)
{
    err << "render: noch nicht verfügbar" << std::endl;
    return ExitProblems;
}

} // namespace tonvera::cli
