// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and closing the port, and the firmware upload to the device's boot
// loader.

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "device/FirmwarePacking.h"
#include "device/TTonvera.h"
#include "model/Errors.h"
#include "model/Numbers.h"

namespace tonvera {

using namespace protocol;

namespace {

constexpr int BootLoaderPauseMs = 100;
constexpr std::uint8_t WakeUpByte = 0x20;
constexpr std::uint8_t BootReply1 = 0xAA;
constexpr std::uint8_t BootReply2 = 0x55;
// Far beyond any firmware image; keeps a wrong file from filling the memory.
constexpr off_t MaxFirmwareFileSize = 64L * 1024 * 1024;

// The file as the operator should find it: where it was looked for.
std::string Shown(const std::string& fileName)
{
    std::error_code ec;
    const std::filesystem::path where = std::filesystem::absolute(fileName, ec);
    return ec ? fileName : where.string();
}

// What else the path names, when it is not a regular file.
std::string NotAFile(const std::string& fileName, const struct stat& st)
{
    const char* what = S_ISDIR(st.st_mode)                          ? "ein Ordner"
                       : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "ein Gerät"
                       : S_ISFIFO(st.st_mode)                       ? "eine benannte Pipe (FIFO)"
                                                                    : "keine gewöhnliche Datei";
    return "Keine Firmware-Datei: " + Shown(fileName) + " ist " + what;
}

// The whole file as the 8-bit characters it is made of. The texts begin as
// the operator knows them from the file errors of the earlier program, and
// name the file and what is wrong with it.
std::string ReadFirmwareFile(const std::string& fileName)
{
    const auto openFailed = [&](int error) {
        if (error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG)
            return FileError("Datei nicht gefunden: " + Shown(fileName));
        if (error == EACCES || error == EPERM)
            return FileError("Zugriff verweigert: " + Shown(fileName));
        return FileError("Datei " + Shown(fileName) + " kann nicht geöffnet werden");
    };
    // Looked at before it is opened: opening a device could have effects of
    // its own (a serial port's modem lines), and reading one could block.
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0)
        throw openFailed(errno);
    if (!S_ISREG(st.st_mode))
        throw FileError(NotAFile(fileName, st));
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        throw openFailed(errno);
    // It may have been replaced in between.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw FileError(NotAFile(fileName, st));
    }
    if (st.st_size > MaxFirmwareFileSize) {
        ::close(fd);
        throw FileError("Datei " + fileName + " ist zu groß");
    }
    std::string content;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            content.append(buf, static_cast<std::size_t>(n));
            if (content.size() > static_cast<std::size_t>(MaxFirmwareFileSize))
                break;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            throw FileError("Datei " + fileName + " kann nicht gelesen werden");
        }
        break;
    }
    ::close(fd);
    return content;
}

// The file read as characters, with the end-of-file rule of the earlier
// program: reading past the end is an error, not an empty character.
class CharReader {
public:
    explicit CharReader(const std::string& text) : Text(text) {}
    bool Eof() const { return Pos >= Text.size(); }
    char Read()
    {
        if (Eof())
            throw FileError("Versuch hinter dem Dateiende zu lesen");
        return Text[Pos++];
    }

private:
    const std::string& Text;
    std::size_t Pos = 0;
};

} // namespace

void TTonvera::OpenDevice(const std::string& portName)
{
    Running = false;
    PortLost = false;
    if (!Line->open(portName)) {
        // A port the user may not open says so and names the group to join.
        if (const std::string denied = Line->deniedText(portName); !denied.empty())
            throw AbortError(denied);
        throw RangeError();
    }
    Synchronize();
    StopOutput();
    ClearTableCache();
}

void TTonvera::CloseDevice()
{
    // The port closes also when the stop cannot go out any more.
    try {
        StopOutput();
    } catch (const PortLostError&) {
    } catch (const LineStallError&) {
    }
    Line->close();
}

void TTonvera::UploadFirmware(const std::string& fileName)
{
    Drain();
    const std::uint8_t wake = WakeUpByte;
    Write(std::span<const std::uint8_t>(&wake, 1));
    UploadCount = 0;
    Pauser->pause(BootLoaderPauseMs);

    // Reads do not wait: both bytes must be there after the pause.
    LineRead r = Read();
    if (!r.readable() || r.value != BootReply1)
        return;
    r = Read();
    if (!r.readable() || r.value != BootReply2)
        return;

    const std::string content = ReadFirmwareFile(fileName);
    const double fileSize = static_cast<double>(content.size());
    CharReader file(content);

    bool sent = false;
    while (!file.Eof()) {
        CheckInterrupted();
        // Slots after the end of the file, and staging bytes after the last
        // converted one, go out as packed zeros rather than as what an
        // earlier group left behind.
        FirmwareBlock block;
        block.fill(0x80); // packed zeros
        for (int g = 0; g < FirmwareGroupsPerBlock; ++g) {
            if (file.Eof())
                continue;
            FirmwareGroup staging{};
            int j = 0;
            do {
                const char c1 = file.Read();
                const char c2 = file.Read();
                if (!file.Eof()) {
                    // High digit first, so a bad one there is the one reported.
                    const int high = HexDigitValue(c1);
                    const int low = HexDigitValue(c2);
                    staging[static_cast<std::size_t>(j)] = static_cast<std::uint8_t>(16 * high + low);
                }
                ++j;
            } while (!file.Eof() && j != FirmwareGroupSize);
            UploadCount += j;
            if (file.Eof())
                UploadCount = -UploadCount;
            PackFirmwareGroup(staging, std::span<std::uint8_t, FirmwarePackedGroupSize>(
                                           block.data() + g * FirmwarePackedGroupSize, FirmwarePackedGroupSize));
        }
        SendBlock(block);
        sent = true;
        const long p = static_cast<long>(std::fabs(rnd(UploadCount / fileSize * 200.0)));
        if (Progress)
            Progress("Initialisiere Hardware: " + std::to_string(p) + " %");
        if (Advanced)
            Advanced(static_cast<int>(p));
    }
    // The boot loader answers no block, so the framing check that follows
    // would find a quiet line at once and queue its bytes behind the image.
    if (sent) {
        Line->waitSent();
        CheckLine();
    }
}

} // namespace tonvera
