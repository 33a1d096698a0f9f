// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A list of positions kept in a file, one or many a line, as a lab writes
// its counterbalanced lists: read into the one-line text the order field
// holds. Whether its entries are positions is checked at Start.

#include <string>

namespace tonvera {

// The file's text with every line break and tab turned into a space.
// Throws FileError when the file cannot be read (ReadFileBytes).
[[nodiscard]] std::string ReadOrderListFile(const std::string& fileName);

} // namespace tonvera
