#include "files/TextFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/Errors.h"

namespace tonvera {

std::string OpenFailedText(const std::string& fileName) { return "Datei " + fileName + " kann nicht geöffnet werden"; }

std::string CreateFailedText(const std::string& fileName) { return "Datei " + fileName + " kann nicht erstellt werden"; }

namespace {

// Closes on every way out, including exceptions.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now and reports whether the close succeeded (a deferred write
    // error of some file systems only shows here).
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::string_view bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// The file a save really replaces: a symbolic link keeps pointing at its
// file, which gets the new content.
std::filesystem::path saveTarget(const std::string& fileName)
{
    std::error_code ec;
    std::filesystem::path path(fileName);
    if (std::filesystem::is_symlink(path, ec)) {
        auto resolved = std::filesystem::weakly_canonical(path, ec);
        if (!ec)
            return resolved;
    }
    return path;
}

} // namespace

std::string ReadFileBytes(const std::string& fileName)
{
    Fd fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw FileError(OpenFailedText(fileName));
    std::string bytes;
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(OpenFailedText(fileName));
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    return bytes;
}

void WriteFileAtomically(const std::string& fileName, std::string_view bytes)
{
    const std::filesystem::path target = saveTarget(fileName);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::string hidden(1, '.');
    hidden.append(target.filename().string()).append(".XXXXXX");
    std::string tmpName = (folder / hidden).string();

    // The new file gets the old file's permissions, or those a plain create
    // would have given it.
    mode_t mode = 0;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode))
            throw FileError(CreateFailedText(fileName));
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    Fd fd(::mkostemp(tmpName.data(), O_CLOEXEC));
    if (fd.get() < 0)
        throw FileError(CreateFailedText(fileName));
    bool ok = ::fchmod(fd.get(), mode) == 0 || errno == EPERM;
    ok = ok && writeAll(fd.get(), bytes);
    ok = ok && ::fsync(fd.get()) == 0;
    ok = fd.close() && ok;
    ok = ok && ::rename(tmpName.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmpName.c_str());
        throw FileError(CreateFailedText(fileName));
    }
    // The rename itself reaches the disk with the folder; the content is
    // safe already, so a folder that cannot be synced is no failure.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    // Table lines are the long ones, about 800 bytes; a rough count saves
    // the vector's regrowth on a big project.
    lines.reserve(text.size() / 64 + 16);
    std::size_t start = 0;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.push_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        ++i;
        start = i;
    }
    if (start < n)
        lines.push_back(text.substr(start));
    return lines;
}

} // namespace tonvera
