// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A file read line by line, so that what a file costs in memory is what it
// holds, not its size: at most one line and one block of the file are held.

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

#include "files/Sha256.h"
#include "files/TextFile.h"

namespace tonvera {

// The file's bytes. Throws FileError with OpenFailedText when it cannot be
// opened or read or is not a regular file (a FIFO, a device, a folder), and
// with TooLargeText when it holds more than MaxReadFileSize bytes.
[[nodiscard]] std::string ReadFileBytes(const std::string& fileName);

// Thrown by a LineReader that reads text only, at the first NUL byte: no
// text file holds one, every program file does.
class NulByteFound : public std::exception {
public:
    [[nodiscard]] const char* what() const noexcept override { return "NUL byte"; }
};

// The lines of a file or of bytes in memory, one at a time. CR LF, a lone CR
// and a lone LF each end a line; a terminator at the very end does not start
// another (empty) line. A file is refused as ReadFileBytes refuses it; a
// line longer than MaxLineBytes with LineTooLongText. At most one line and
// one block of the file are held.
class LineReader {
public:
    // Throws FileError when the file cannot be read (see ReadFileBytes).
    [[nodiscard]] static LineReader Open(const std::string& fileName, bool refuseNul);
    // `fileName` names the bytes in messages.
    explicit LineReader(std::string_view bytes, std::string fileName = {}, bool refuseNul = false);
    ~LineReader();
    LineReader(LineReader&& other) noexcept;
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;
    LineReader& operator=(LineReader&&) = delete;

    // The next line, without its terminator; false at the end. The view is
    // valid until the next call.
    bool next(std::string_view& line);
    // Whether another line follows the one `next` gave last.
    [[nodiscard]] bool more() const { return more_; }
    // The number of the line `next` gave last, from 1.
    [[nodiscard]] std::size_t lineNumber() const { return lineNumber_; }
    [[nodiscard]] const std::string& fileName() const { return fileName_; }
    // The SHA-256 of all the file's bytes, those not yet read included
    // (they are read for it, and give no more lines).
    [[nodiscard]] std::string sha256();

private:
    LineReader(int fd, std::string fileName, bool refuseNul);
    [[nodiscard]] std::string_view text() const;
    bool fill();

    int fd_ = -1;
    std::string fileName_;
    bool refuseNul_ = false;
    bool nulChecked_ = false; // bytes in memory: checked once, at the first line
    std::string_view memory_;
    std::string buffer_;
    std::size_t begin_ = 0;   // the first byte not yet given as a line
    std::size_t end_ = 0;     // the end of the bytes at hand
    std::size_t scanned_ = 0; // no line end between begin_ and this
    bool eof_ = false;
    long long read_ = 0;
    bool more_ = false;
    std::size_t lineNumber_ = 0;
    Sha256 digest_;
};

} // namespace tonvera
