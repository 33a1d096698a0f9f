// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/TextFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/Errors.h"

namespace tonvera {

std::string OpenFailedText(const std::string& fileName)
{
    return "Datei " + QuotedName(fileName) + " kann nicht geöffnet werden";
}

std::string SaveFailureReason(int err)
{
    switch (err) {
    case ENOSPC: return "kein Platz mehr auf dem Datenträger";
    case EDQUOT: return "Speicherkontingent erschöpft";
    case EROFS: return "Datenträger ist schreibgeschützt";
    case EACCES:
    case EPERM: return "keine Berechtigung";
    case ENOENT: return "Ordner nicht vorhanden";
    case ENOTDIR: return "ein Teil des Pfads ist kein Ordner";
    case ENAMETOOLONG: return "Name zu lang";
    case ELOOP: return "Verweise bilden eine Schleife";
    case EISDIR: return "ist ein Ordner";
    case EFBIG: return "Datei zu groß für den Datenträger";
    case EIO: return "Ein-/Ausgabefehler";
    case EBUSY:
    case ETXTBSY: return "belegt";
    default: break;
    }
    const char* name = ::strerrorname_np(err);
    return "Systemfehler " + (name ? std::string(name) : std::to_string(err));
}

namespace {

std::string createFailed(const std::string& fileName, const std::string& reason)
{
    return "Datei " + QuotedName(fileName) + " kann nicht erstellt werden: " + reason;
}

} // namespace

std::string CreateFailedText(const std::string& fileName, int err)
{
    return createFailed(fileName, SaveFailureReason(err));
}

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
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

[[noreturn]] void saveFailed(const std::string& fileName, int err) { throw FileError(CreateFailedText(fileName, err)); }

// The file a save really replaces: a symbolic link keeps pointing at its
// file, which gets the new content. A link that points at nothing, or at a
// link that leads back to it, has no file to replace: renaming over it
// would put a file where the operator keeps a link.
std::filesystem::path saveTarget(const std::string& fileName)
{
    struct stat st {};
    if (::lstat(fileName.c_str(), &st) != 0) {
        if (errno != ENOENT)
            saveFailed(fileName, errno);
        return fileName;
    }
    if (!S_ISLNK(st.st_mode))
        return fileName;
    if (::stat(fileName.c_str(), &st) != 0) {
        if (errno == ENOENT)
            throw FileError(createFailed(fileName, "der Verweis zeigt auf keine vorhandene Datei"));
        saveFailed(fileName, errno);
    }
    std::error_code ec;
    auto resolved = std::filesystem::canonical(fileName, ec);
    if (ec)
        saveFailed(fileName, ec.value());
    return resolved;
}

// Temporary files of a save are named by this pattern, short enough that no
// valid file name fails for its temporary's sake. The saving process holds
// a lock on its temporary; one without a lock that is older than a save can
// take was left by a crash.
constexpr std::string_view TempPrefix = ".tonvera-";
constexpr std::size_t TempRandomChars = 6;
constexpr std::time_t StaleAfterSeconds = 60;

bool isTempName(std::string_view name)
{
    if (name.size() != TempPrefix.size() + TempRandomChars || name.substr(0, TempPrefix.size()) != TempPrefix)
        return false;
    for (char c : name.substr(TempPrefix.size()))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    return true;
}

void removeStaleTemporaries(const std::filesystem::path& folder)
{
    std::error_code ec;
    const std::time_t now = std::time(nullptr);
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!isTempName(name))
            continue;
        Fd fd(::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        struct stat st {};
        if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
            now - st.st_mtime < StaleAfterSeconds)
            continue;
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlink(it->path().c_str());
    }
}

} // namespace

std::string TooLargeText(const std::string& fileName) { return "Datei " + QuotedName(fileName) + " ist zu groß"; }

std::string LineTooLongText(const std::string& fileName, std::size_t line)
{
    return "Datei " + QuotedName(fileName) + " enthält eine zu lange Zeile (Zeile " + std::to_string(line) + ")";
}

void WriteFileAtomically(const std::string& fileName, std::string_view bytes)
{
    const std::filesystem::path target = saveTarget(fileName);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    removeStaleTemporaries(folder);
    std::string tmpName = (folder / (std::string(TempPrefix) + "XXXXXX")).string();

    // The new file gets the old file's permissions, owner and group, or
    // those a plain create would have given it.
    mode_t mode = 0;
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing) {
        if (S_ISDIR(old.st_mode))
            saveFailed(fileName, EISDIR);
        if (!S_ISREG(old.st_mode))
            throw FileError(createFailed(fileName, "keine gewöhnliche Datei"));
        // A file the user may not write is not replaced behind its back:
        // the rename would need only the folder's permission.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            saveFailed(fileName, errno);
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    Fd fd(::mkostemp(tmpName.data(), O_CLOEXEC));
    if (fd.get() < 0)
        saveFailed(fileName, errno);
    // Tells another save's clean-up that this temporary is in use.
    ::flock(fd.get(), LOCK_EX | LOCK_NB);
    // Root may keep any owner, a user a group he belongs to; what cannot be
    // kept becomes the user's own, as with a new file.
    if (replacing && ::fchown(fd.get(), old.st_uid, old.st_gid) != 0)
        (void)::fchown(fd.get(), static_cast<uid_t>(-1), old.st_gid);
    // The errno of the first step that failed is the reason the operator
    // gets told.
    int err = 0;
    if (::fchmod(fd.get(), mode) != 0 && errno != EPERM)
        err = errno;
    if (err == 0 && !writeAll(fd.get(), bytes))
        err = errno;
    if (err == 0 && ::fsync(fd.get()) != 0)
        err = errno;
    if (!fd.close() && err == 0)
        err = errno;
    if (err == 0 && ::rename(tmpName.c_str(), target.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(tmpName.c_str());
        saveFailed(fileName, err);
    }
    // The rename itself reaches the disk with the folder; the content is
    // safe already, so a folder that cannot be synced is no failure.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

void CheckWritable(const std::string& fileName)
{
    const std::filesystem::path target = saveTarget(fileName);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode))
            throw FileError(CreateFailedText(fileName, S_ISDIR(old.st_mode) ? EISDIR : EINVAL));
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            throw FileError(CreateFailedText(fileName, errno));
    }
    // Only a file really made there proves it (a read-only mount, access
    // lists): the temporary the write would make, removed again at once.
    std::string tmpName = (folder / (std::string(TempPrefix) + "XXXXXX")).string();
    Fd fd(::mkostemp(tmpName.data(), O_CLOEXEC));
    if (fd.get() < 0)
        throw FileError(CreateFailedText(fileName, errno));
    ::unlink(tmpName.c_str());
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
