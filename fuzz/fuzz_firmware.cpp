// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as the firmware image handed to a boot loader that
// answers: the upload either aborts with one of its file errors or sends
// whole blocks of 7-bit bytes and ends with the count of the whole file.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "device/Pause.h"
#include "device/SerialLine.h"
#include "device/TTonvera.h"
#include "model/Errors.h"

namespace {

class BootLoaderLine final : public tonvera::SerialLine {
public:
    bool open(const std::string&) override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    void writeBlock(std::span<const std::uint8_t> bytes) override
    {
        if (bytes.size() == 1 && bytes[0] == 0x20) {
            replies = {0xAA, 0x55};
            return;
        }
        blocks.emplace_back(bytes.begin(), bytes.end());
    }
    tonvera::LineRead readByte() override
    {
        if (replies.empty())
            return tonvera::LineRead::none();
        const std::uint8_t b = replies.front();
        replies.erase(replies.begin());
        return tonvera::LineRead::byte(b);
    }

    std::vector<std::uint8_t> replies;
    std::vector<std::vector<std::uint8_t>> blocks;
};

class NoPause final : public tonvera::Pause {
public:
    void pause(int) override {}
};

// The image lives in memory: a file that has no name in any folder, reached
// through its descriptor's path, so no run leaves a file behind.
int ImageFd()
{
    static const int fd = [] {
        const int f = ::memfd_create("fuzz_firmware", MFD_CLOEXEC);
        if (f < 0)
            std::abort();
        return f;
    }();
    return fd;
}

const std::string& ImagePath()
{
    static const std::string path = "/proc/self/fd/" + std::to_string(ImageFd());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 1 << 16)
        return 0;
    if (::ftruncate(ImageFd(), 0) != 0)
        std::abort();
    if (size > 0 && ::pwrite(ImageFd(), data, size, 0) != static_cast<ssize_t>(size))
        std::abort();

    BootLoaderLine line;
    NoPause pause;
    tonvera::TTonvera device(line, pause);
    try {
        device.UploadFirmware(ImagePath());
    } catch (const tonvera::AbortError&) {
        return 0;
    }
    for (const auto& block : line.blocks) {
        if (block.size() != 256)
            std::abort();
        for (std::uint8_t b : block)
            if ((b & 0x80) == 0)
                std::abort(); // the boot loader takes only bytes with bit 7 set
    }
    // A whole file went out: an even number of characters, counted in pairs.
    if (size > 0 && (size % 2 != 0 || device.UploadCount != -static_cast<std::int32_t>(size / 2)))
        std::abort();
    const std::size_t groups = (size / 2 + 13) / 14;
    if (line.blocks.size() != (groups + 15) / 16)
        std::abort();
    return 0;
}
