// SPDX-License-Identifier: GPL-3.0-or-later
#include "emu/BootLoader.h"

namespace tonvera::emu {

std::array<std::uint8_t, UnpackedGroupSize> UnpackGroup(std::span<const std::uint8_t, PackedGroupSize> packed)
{
    std::array<std::uint8_t, UnpackedGroupSize> out{};
    for (std::size_t half = 0; half < 2; ++half) {
        // Eight 7-bit pieces, most significant first, make 56 bits = 7 bytes.
        std::uint64_t bits = 0;
        for (std::size_t i = 0; i < 8; ++i)
            bits = (bits << 7) | (packed[half * 8 + i] & 0x7F);
        for (std::size_t i = 0; i < 7; ++i)
            out[half * 7 + i] = static_cast<std::uint8_t>(bits >> (8 * (6 - i)));
    }
    return out;
}

std::vector<std::uint8_t> UnpackFirmware(std::span<const std::uint8_t> packed)
{
    std::vector<std::uint8_t> out;
    out.reserve(packed.size() / PackedGroupSize * UnpackedGroupSize);
    for (std::size_t g = 0; g + PackedGroupSize <= packed.size(); g += PackedGroupSize) {
        const auto bytes =
            UnpackGroup(std::span<const std::uint8_t, PackedGroupSize>(packed.data() + g, PackedGroupSize));
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

void BootLoader::complete()
{
    Firmware = UnpackFirmware(Raw);
    Raw.clear();
    St = State::Complete;
}

BootLoader::Outcome BootLoader::receive(std::uint8_t b, EmuTime now)
{
    Outcome o;
    if (St == State::Complete) {
        o.passOn = true;
        return o;
    }
    if (St == State::Receiving) {
        // Inside a block every byte is data, whatever its value: unused
        // group slots at the end of the last block need not be packed. A
        // block always begins with a packed byte (bit 7 set), so at a block
        // boundary anything else ends the upload.
        if (Raw.size() % FirmwareBlockSize != 0 || (b & 0x80)) {
            Raw.push_back(b);
            LastData = now;
            return o;
        }
        if (!Raw.empty()) {
            complete();
            o.passOn = true;
            return o;
        }
    }
    if (b == WakeUpByte) {
        if (!Raw.empty())
            ++Broken;
        Raw.clear();
        St = State::Receiving;
        o.reply.assign(WakeUpReply.begin(), WakeUpReply.end());
        return o;
    }
    ++Stray;
    return o;
}

bool BootLoader::poll(EmuTime now)
{
    if (!gapPending() || now - LastData < Gap)
        return false;
    if (wholeBlocks()) {
        complete();
        return true;
    }
    // Part of a block: the upload broke off. Wait for the next wake-up.
    ++Broken;
    Raw.clear();
    St = State::Asleep;
    return false;
}

} // namespace tonvera::emu
