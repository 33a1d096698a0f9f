#pragma once
// Whole-file reading and writing for the project and calibration files.
// A save never destroys the file it replaces: the new content goes to a
// temporary file in the same folder, which is flushed to the disk and only
// then renamed over the old one.

#include <string>
#include <string_view>
#include <vector>

namespace tonvera {

// "Datei %s kann nicht geöffnet werden"
[[nodiscard]] std::string OpenFailedText(const std::string& fileName);
// "Datei %s kann nicht erstellt werden"
[[nodiscard]] std::string CreateFailedText(const std::string& fileName);

// Far beyond any project (about 2 MB) or calibration file; keeps a wrong
// file from filling the memory.
inline constexpr long long MaxReadFileSize = 64LL * 1024 * 1024;

// "Datei %s ist zu groß"
[[nodiscard]] std::string TooLargeText(const std::string& fileName);

// The file's bytes. Throws FileError with OpenFailedText when it cannot be
// opened or read or is not a regular file (a FIFO, a device, a folder), and
// with TooLargeText when it holds more than MaxReadFileSize bytes.
[[nodiscard]] std::string ReadFileBytes(const std::string& fileName);

// Writes `bytes` as the new content of `fileName`, atomically: when this
// throws (FileError with CreateFailedText) the old file is untouched and no
// temporary file is left behind.
void WriteFileAtomically(const std::string& fileName, std::string_view bytes);

// Whether WriteFileAtomically(fileName, ...) could write there now, tried
// without touching the file: throws the FileError that write would. For a
// caller that computes long before it writes.
void CheckWritable(const std::string& fileName);

// The lines of a text. CR LF, a lone CR and a lone LF each end a line; a
// terminator at the very end does not start another (empty) line, so an
// empty text has no lines. The views point into `text`.
[[nodiscard]] std::vector<std::string_view> SplitLines(std::string_view text);

} // namespace tonvera
