// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A project or calibration file loaded or saved, with the SHA-256 of its
// bytes: what a record names to say exactly which file was in place.

#include <string>

namespace tonvera {

struct FileEvent {
    enum class Kind { Project, Calibration };
    enum class Action { Loaded, Saved };
    Kind What = Kind::Project;
    Action Done = Action::Loaded;
    std::string Path;
    std::string Sha256; // lowercase hex
};

} // namespace tonvera
