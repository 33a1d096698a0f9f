// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The limits and messages of the project and calibration files, and the
// atomic write. A save never destroys the file it replaces: the new content
// goes to a temporary file in the same folder, which is flushed to the disk
// and only then renamed over the old one.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tonvera {

// File names in messages are cut after MaxNameChars characters ("…").
// "Datei %s kann nicht geöffnet werden"
[[nodiscard]] std::string OpenFailedText(const std::string& fileName);
// "Datei %s kann nicht erstellt werden: <reason>", the reason taken from
// the errno of the call that failed.
[[nodiscard]] std::string CreateFailedText(const std::string& fileName, int err);
// The reason of a failed save in the operator's words: "kein Platz mehr auf
// dem Datenträger", "Datenträger ist schreibgeschützt", "keine Berechtigung", ...
[[nodiscard]] std::string SaveFailureReason(int err);

// Far beyond any project (about 2 MB) or calibration file; keeps a wrong
// file from filling the memory.
inline constexpr long long MaxReadFileSize = 64LL * 1024 * 1024;
// The longest line either format holds is a table line of about 1 KB; even
// a whole table on one line stays below this.
inline constexpr std::size_t MaxLineBytes = 1024 * 1024;

// "Datei %s ist zu groß"
[[nodiscard]] std::string TooLargeText(const std::string& fileName);
// "Datei %s enthält eine zu lange Zeile (Zeile %d)"
[[nodiscard]] std::string LineTooLongText(const std::string& fileName, std::size_t line);

// Writes `bytes` as the new content of `fileName`, atomically: when this
// throws (FileError with CreateFailedText) the old file is untouched and no
// temporary file is left behind. A symbolic link keeps pointing at its file,
// which gets the new content; a link that points at nothing or into a loop
// is refused, not replaced by a file.
void WriteFileAtomically(const std::string& fileName, std::string_view bytes);

// Whether WriteFileAtomically(fileName, ...) could write there now, tried
// without touching the file: throws the FileError that write would. For a
// caller that computes long before it writes.
void CheckWritable(const std::string& fileName);

// The lines of a text, split as LineReader splits them (with no limit on
// a line's length). The views point into `text`.
[[nodiscard]] std::vector<std::string_view> SplitLines(std::string_view text);

} // namespace tonvera
