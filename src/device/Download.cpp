// SPDX-License-Identifier: GPL-3.0-or-later
// The signal set on the wire: the registers of one signal and the upload of
// its wave table.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

#include "device/TTonvera.h"
#include "device/RegisterError.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "model/SinusRecord.h"

namespace tonvera {

using namespace protocol;

namespace {

constexpr int PacketsPerWrite = 256;
constexpr int WritesPerTable = TableLength / PacketsPerWrite;

// The phase an oscillator of `freq` Hz advances during `startMs`, whole
// periods dropped, taken off the wanted phase: the signal then stands at
// `phase` at its start time. A frequency of 0 has no period; the earlier
// program stopped here on its processor's division trap, so the download is
// aborted with that error instead of sending a phase computed from infinity.
double StartPhase(double phase, double freq, double startMs)
{
    if (startMs == 0)
        return phase;
    if (freq == 0)
        throw DivByZeroError();
    const long double period = 1000.0L / static_cast<long double>(freq);
    const long double x = static_cast<long double>(startMs) / period;
    if (!std::isfinite(x))
        throw RangeError();
    const long double frac = x - std::trunc(x);
    return static_cast<double>(static_cast<long double>(phase) - frac * 360.0L);
}

} // namespace

double TTonvera::LoadSignal(int index, const SinusValues& values, const EichTable& calibration)
{
    if (!values.Used || values.TabTyp == TypeMute) {
        SetAttenuation(index, -1.0);
        return -1.0;
    }

    SetFrequency(index, values.Freq);

    double a = values.Ampl;
    if (values.TabTyp == TypeSinusEich) {
        a = EichCorrection(calibration, values.Freq) + values.Ampl;
        if (a < 0) {
            EichError = true;
            a = 0;
        }
    }
    SetAttenuation(index, a);

    double phase = 0;
    try {
        phase = StartPhase(values.Phase, values.Freq, values.Start);
    } catch (const AbortError& e) {
        throw RegisterRangeError(index, Register::Phase, values.Phase, e.text());
    }
    SetPhase(index, phase);
    SetStartTime(index, values.Start);
    SetRampDownStart(index, values.Start + values.RampUp + values.Dach);
    SetRampUp(index, values.RampUp);
    SetRampDown(index, values.RampDown);
    return a;
}

bool TTonvera::TableDue(int slot, std::span<const std::int32_t, TableLength> table) const
{
    if (slot < 0 || slot >= TableCount)
        throw RangeError();
    if (!Line->isOpen())
        return false;
    const WaveTable& cached = TableCache[static_cast<std::size_t>(slot)];
    return !Known[static_cast<std::size_t>(slot)] || !std::equal(table.begin(), table.end(), cached.begin());
}

bool TTonvera::LoadTable(int slot, std::span<const std::int32_t, TableLength> table)
{
    if (!TableDue(slot, table))
        return false;
    WaveTable& cached = TableCache[static_cast<std::size_t>(slot)];
    bool& known = Known[static_cast<std::size_t>(slot)];
    // A broken-off upload leaves part of a table in the device: whatever
    // the cache says, the next table for the slot must go out whole.
    const auto forget = [&] {
        std::fill(cached.begin(), cached.end(), 0);
        known = false;
    };

    // Bytes lost on the line garble a table without a word of complaint;
    // the count of answers and the framing check tell, and one more upload
    // usually gets through.
    for (int attempt = 1;; ++attempt) {
        bool intact = false;
        try {
            intact = UploadTable(slot, table);
        } catch (...) {
            forget();
            throw;
        }
        if (intact) {
            known = true;
            return true;
        }
        forget();
        if (attempt == 2) {
            // Shifted words may have carried plain codes that started it.
            Recover();
            throw AbortError("Tabelle " + std::to_string(slot + 1) + " wurde nicht fehlerfrei übertragen");
        }
        // The next upload starts from a boundary both sides agree on.
        Synchronize();
        MarkBoundary();
    }
}

bool TTonvera::UploadTable(int slot, std::span<const std::int32_t, TableLength> table)
{
    WaveTable& cached = TableCache[static_cast<std::size_t>(slot)];
    // What went before (the registers of this signal) must have arrived
    // whole: a table cannot mend a slipped boundary, and its own count
    // starts from here.
    ConfirmAnswers();
    SetTableMode(TableModeLoading);
    std::copy(table.begin(), table.end(), cached.begin());

    // Signal k plays device table k + 1; the last signal wraps to table 0.
    const std::int64_t base = static_cast<std::int64_t>((slot + 1) % TableCount) * TableLength;
    std::array<std::uint8_t, PacketsPerWrite * PacketSize> block{};
    for (int b = 0; b < WritesPerTable; ++b) {
        CheckInterrupted();
        for (int i = 0; i < PacketsPerWrite; ++i) {
            const int k = b * PacketsPerWrite + i;
            const Packet p = MakeTableWordPacket(base + k, table[static_cast<std::size_t>(k)]);
            std::copy(p.begin(), p.end(), block.begin() + i * PacketSize);
        }
        SendBlock(block);
        // The device answers every table word with a status byte. Read here,
        // they cannot fill the receive buffer and hold up the line, and each
        // one counts.
        Drain();
        const long percent = static_cast<long>(rnd((b + 1) * 100.0 / WritesPerTable));
        if (Progress)
            Progress("Lade Tabelle " + std::to_string(slot + 1) + ": " + std::to_string(percent) + " %");
        if (Advanced)
            Advanced(static_cast<int>(percent));
    }

    SetTableMode(TableModeNormal);
    // Whole packets lost on the line leave the boundary where it was, so the
    // framing check alone would pass a table that lacks them and has the
    // rest shifted; only the count of answers tells. The check's bytes must
    // not queue behind the table, and they do not: the answers are awaited
    // first, and the line drained when they fall short.
    const long long missing = AwaitAnswers([this] {
        if (Advanced)
            Advanced(100);
    });
    // After a table that lost no byte the device stands on a packet
    // boundary, so only the sixth single byte completes a packet.
    int firstReply = 0;
    const bool ok = CheckFraming(firstReply);
    return missing == 0 && ok && firstReply == PacketSize;
}

} // namespace tonvera
