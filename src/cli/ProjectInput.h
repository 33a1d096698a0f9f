// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A project (and a calibration file) read for the tool's own commands,
// without running the window's steps after a load: the Enter action there
// would clamp the selected signal's texts, and a check must see the file as
// it stands.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "files/ProjectFile.h"

namespace tonvera::cli {

// The project of a fresh window: its "Neu" state and the edits' texts.
[[nodiscard]] Project FreshProject();

// The project as the window would hold it right after the load: the "Neu"
// state of a fresh window, then the file's lines. Throws AbortError with the
// program's message when a file cannot be read or parsed.
[[nodiscard]] Project ReadProjectFile(const std::string& projectFile, const std::optional<std::string>& calFile);
// The same for the files named on the command line; when one cannot be read
// its message goes to `err` ("Fehler: ...") and nothing comes back.
[[nodiscard]] std::optional<Project> ReadProjectOrReport(const std::vector<std::string>& files,
                                                         const std::optional<std::string>& calFile, std::ostream& err);

// The text of a global edit.
const std::string& GlobalText(const ProjectGlobals& g, EditField field);

// The positions a run can play: 1..n, or just position 1 when there are no
// variables (the texts then hold no variable names that need one).
[[nodiscard]] int PositionsOf(const MainState& state);

} // namespace tonvera::cli
