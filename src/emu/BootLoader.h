// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device's boot loader. It wakes on 0x20 and answers 0xAA 0x55, then
// takes 256-byte blocks of 7-bit-packed bytes (16 bytes carry 14 firmware
// bytes, two halves of 8 carrying 7). Every byte of a block counts, so the
// loader counts blocks by bytes; at a block boundary a byte with bit 7 clear
// cannot begin a block. The firmware is complete when whole blocks have come
// in and then either the line stays quiet for a while or such a byte arrives:
// the program checks the packet framing right after an upload, so its first
// synchronisation byte already means "done" and goes on to the framing. A
// broken-off block is thrown away after the quiet time and the loader waits
// for the next wake-up.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "emu/EmuTime.h"

namespace tonvera::emu {

inline constexpr std::uint8_t WakeUpByte = 0x20;
inline constexpr std::array<std::uint8_t, 2> WakeUpReply{0xAA, 0x55};
inline constexpr std::size_t FirmwareBlockSize = 256;
inline constexpr std::size_t PackedGroupSize = 16;
inline constexpr std::size_t UnpackedGroupSize = 14;

// 16 transmitted bytes back into 14 firmware bytes.
[[nodiscard]] std::array<std::uint8_t, UnpackedGroupSize>
UnpackGroup(std::span<const std::uint8_t, PackedGroupSize> packed);
// Whole groups of a received stream; a trailing partial group is ignored.
[[nodiscard]] std::vector<std::uint8_t> UnpackFirmware(std::span<const std::uint8_t> packed);

class BootLoader {
public:
    enum class State { Asleep, Receiving, Complete };

    explicit BootLoader(EmuTime quietGap) : Gap(quietGap) {}

    struct Outcome {
        std::vector<std::uint8_t> reply;
        // The firmware just became complete and this byte belongs to the
        // packet framing that follows.
        bool passOn = false;
    };
    Outcome receive(std::uint8_t b, EmuTime now);
    // Ends the upload after a quiet gap. True when it completed the firmware.
    bool poll(EmuTime now);
    // When poll() may next change something; none if nothing is pending.
    [[nodiscard]] bool gapPending() const { return St == State::Receiving && !Raw.empty(); }
    [[nodiscard]] EmuTime gapDeadline() const { return LastData + Gap; }

    [[nodiscard]] State state() const { return St; }
    // The received transfer bytes of the current upload.
    [[nodiscard]] std::size_t rawCount() const { return Raw.size(); }
    // The unpacked firmware once complete.
    [[nodiscard]] const std::vector<std::uint8_t>& firmware() const { return Firmware; }
    // Bytes that were neither data nor a wake-up, and broken-off uploads.
    [[nodiscard]] std::uint64_t strayBytes() const { return Stray; }
    [[nodiscard]] std::uint64_t brokenUploads() const { return Broken; }

private:
    [[nodiscard]] bool wholeBlocks() const { return !Raw.empty() && Raw.size() % FirmwareBlockSize == 0; }
    void complete();

    EmuTime Gap;
    State St = State::Asleep;
    std::vector<std::uint8_t> Raw;
    std::vector<std::uint8_t> Firmware;
    EmuTime LastData{0};
    std::uint64_t Stray = 0;
    std::uint64_t Broken = 0;
};

} // namespace tonvera::emu
