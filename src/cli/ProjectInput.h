#pragma once
// A project (and a calibration file) read for the tool's own commands,
// without running the window's steps after a load: the Enter action there
// would clamp the selected signal's texts, and a check must see the file as
// it stands.

#include <optional>
#include <string>

#include "files/ProjectFile.h"

namespace tonvera::cli {

// The project of a fresh window: its "Neu" state and the edits' texts.
Project FreshProject();

// The project as the window would hold it right after the load: the "Neu"
// state of a fresh window, then the file's lines. Throws AbortError with the
// program's message when a file cannot be read or parsed.
Project ReadProjectFile(const std::string& projectFile, const std::optional<std::string>& calFile);

// The text of a global edit.
const std::string& GlobalText(const ProjectGlobals& g, EditField field);

// The positions a run can play: 1..n, or just position 1 when there are no
// variables (the texts then hold no variable names that need one).
int PositionsOf(const MainState& state);

} // namespace tonvera::cli
