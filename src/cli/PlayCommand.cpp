#include "Commands.h"

namespace tonvera::cli {

int RunPlay(const CliOptions&, std::ostream&, std::ostream& err)
{
    err << "play: noch nicht verfügbar" << std::endl;
    return ExitProblems;
}

} // namespace tonvera::cli
