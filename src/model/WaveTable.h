// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One period of a wave form: 32768 signed samples, full scale +-32500. Held
// on the heap so that the main window state (eight of these) can be copied
// and passed around without putting a megabyte on the stack; the size is
// fixed for the table's whole life, so index 0..32767 is always valid.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tonvera {

inline constexpr int TableSize = 32768;

class WaveTable {
public:
    static constexpr std::size_t Size = TableSize;

    WaveTable() : data_(Size, 0) {}

    std::int32_t& operator[](std::size_t i) { return data_[i]; }
    const std::int32_t& operator[](std::size_t i) const { return data_[i]; }
    // Checked access: outside 0..32767 aborts with the range error.
    std::int32_t& at(long i);
    [[nodiscard]] const std::int32_t& at(long i) const;

    static constexpr std::size_t size() { return Size; }
    std::int32_t* data() { return data_.data(); }
    [[nodiscard]] const std::int32_t* data() const { return data_.data(); }
    auto begin() { return data_.begin(); }
    auto end() { return data_.end(); }
    [[nodiscard]] auto begin() const { return data_.begin(); }
    [[nodiscard]] auto end() const { return data_.end(); }
    [[nodiscard]] std::span<const std::int32_t, Size> span() const
    {
        return std::span<const std::int32_t, Size>(data_.data(), Size);
    }
    std::span<std::int32_t, Size> span() { return std::span<std::int32_t, Size>(data_.data(), Size); }

    friend bool operator==(const WaveTable&, const WaveTable&) = default;

private:
    std::vector<std::int32_t> data_;
};

} // namespace tonvera
