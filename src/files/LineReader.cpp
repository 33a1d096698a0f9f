// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/LineReader.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/Errors.h"

namespace tonvera {

namespace {

// Non-blocking, so that opening a FIFO does not wait for a writer; only a
// regular file is read at all (a device such as /dev/zero never ends).
int openForReading(const std::string& fileName)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        throw FileError(OpenFailedText(fileName));
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!regular || st.st_size > MaxReadFileSize) {
        ::close(fd);
        throw FileError(regular ? TooLargeText(fileName) : OpenFailedText(fileName));
    }
    return fd;
}

// One read; -1 on an error (EINTR is tried again).
ssize_t readSome(int fd, char* buf, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd, buf, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

constexpr std::size_t ReadBlock = 65536;

} // namespace

std::string ReadFileBytes(const std::string& fileName)
{
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } file{openForReading(fileName)};
    std::string bytes;
    char buf[ReadBlock];
    for (;;) {
        const ssize_t n = readSome(file.fd, buf, sizeof buf);
        if (n < 0)
            throw FileError(OpenFailedText(fileName));
        if (n == 0)
            return bytes;
        bytes.append(buf, static_cast<std::size_t>(n));
        // A file that grows while it is read.
        if (bytes.size() > static_cast<std::size_t>(MaxReadFileSize))
            throw FileError(TooLargeText(fileName));
    }
}

LineReader LineReader::Open(const std::string& fileName, bool refuseNul)
{
    return LineReader(openForReading(fileName), fileName, refuseNul);
}

LineReader::LineReader(int fd, std::string fileName, bool refuseNul)
    : fd_(fd), fileName_(std::move(fileName)), refuseNul_(refuseNul), nulChecked_(true)
{
}

LineReader::LineReader(std::string_view bytes, std::string fileName, bool refuseNul)
    : fileName_(std::move(fileName)), refuseNul_(refuseNul), memory_(bytes), end_(bytes.size()), eof_(true)
{
    digest_.update(bytes);
}

LineReader::~LineReader()
{
    if (fd_ >= 0)
        ::close(fd_);
}

LineReader::LineReader(LineReader&& o) noexcept
    : fd_(std::exchange(o.fd_, -1)), fileName_(std::move(o.fileName_)), refuseNul_(o.refuseNul_),
      nulChecked_(o.nulChecked_), memory_(o.memory_), buffer_(std::move(o.buffer_)), begin_(o.begin_), end_(o.end_),
      scanned_(o.scanned_), eof_(o.eof_), read_(o.read_), more_(o.more_), lineNumber_(o.lineNumber_), digest_(o.digest_)
{
}

std::string_view LineReader::text() const { return fd_ >= 0 ? std::string_view(buffer_) : memory_; }

// Appends the next block of the file, first dropping the lines already
// given, so the buffer holds no more than the current line and one block.
// False at the end of the file.
bool LineReader::fill()
{
    if (eof_ || fd_ < 0)
        return false;
    if (begin_ > 0) {
        buffer_.erase(0, begin_);
        end_ -= begin_;
        scanned_ -= begin_;
        begin_ = 0;
    }
    buffer_.resize(end_ + ReadBlock);
    const ssize_t n = readSome(fd_, buffer_.data() + end_, ReadBlock);
    if (n < 0)
        throw FileError(OpenFailedText(fileName_));
    buffer_.resize(end_ + static_cast<std::size_t>(n));
    if (n == 0) {
        eof_ = true;
        return false;
    }
    read_ += n;
    digest_.update(std::string_view(buffer_.data() + end_, static_cast<std::size_t>(n)));
    // A file that grows while it is read.
    if (read_ > MaxReadFileSize)
        throw FileError(TooLargeText(fileName_));
    if (refuseNul_ && std::memchr(buffer_.data() + end_, '\0', static_cast<std::size_t>(n)))
        throw NulByteFound();
    end_ += static_cast<std::size_t>(n);
    return true;
}

std::string LineReader::sha256()
{
    if (fd_ >= 0 && !eof_) {
        std::string rest(ReadBlock, '\0');
        for (;;) {
            const ssize_t n = readSome(fd_, rest.data(), ReadBlock);
            if (n < 0)
                throw FileError(OpenFailedText(fileName_));
            if (n == 0)
                break;
            read_ += n;
            if (read_ > MaxReadFileSize)
                throw FileError(TooLargeText(fileName_));
            digest_.update(std::string_view(rest.data(), static_cast<std::size_t>(n)));
        }
        eof_ = true;
    }
    Sha256 copy = digest_;
    return copy.hex();
}

bool LineReader::next(std::string_view& line)
{
    if (!nulChecked_) {
        nulChecked_ = true;
        if (refuseNul_ && memory_.find('\0') != std::string_view::npos)
            throw NulByteFound();
    }
    for (;;) {
        const std::string_view t = text();
        std::size_t i = scanned_ > begin_ ? scanned_ : begin_;
        while (i < end_ && t[i] != '\r' && t[i] != '\n')
            ++i;
        if (i - begin_ > MaxLineBytes)
            throw FileError(LineTooLongText(fileName_, lineNumber_ + 1));
        if (i == end_) {
            scanned_ = end_;
            if (!eof_) {
                fill();
                continue;
            }
            if (begin_ == end_)
                return false;
        } else if (t[i] == '\r' && i + 1 == end_ && !eof_) {
            // Whether an LF follows is in the next block.
            scanned_ = i;
            fill();
            continue;
        }
        // Offsets from the line's start: a fill below moves the buffer.
        const std::size_t length = i - begin_;
        std::size_t next = length;
        if (i < end_)
            next += t[i] == '\r' && i + 1 < end_ && t[i + 1] == '\n' ? 2 : 1;
        if (begin_ + next == end_)
            fill();
        line = text().substr(begin_, length);
        begin_ += next;
        scanned_ = begin_;
        more_ = begin_ < end_;
        ++lineNumber_;
        return true;
    }
}

} // namespace tonvera
