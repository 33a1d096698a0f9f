// The signal set on the wire: the registers of one signal and the upload of
// its wave table.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

#include "device/TTonvera.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "model/SinusRecord.h"

namespace tonvera {

using namespace protocol;

namespace {

constexpr int PacketsPerWrite = 256;
constexpr int WritesPerTable = TableLength / PacketsPerWrite;
// After a table: the device's last answers come within a few pauses; a
// byte lost on the line costs one answer.
constexpr int AnswerPauseMs = 10;
constexpr int AnswerQuietRounds = 10;
constexpr long LostAnswersAllowed = 8;

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

void TTonvera::LoadSignal(int index, const SinusValues& values, const EichTable& calibration)
{
    if (!values.Used || values.TabTyp == TypeMute) {
        SetAttenuation(index, -1.0);
        return;
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

    SetPhase(index, StartPhase(values.Phase, values.Freq, values.Start));
    SetStartTime(index, values.Start);
    SetRampDownStart(index, values.Start + values.RampUp + values.Dach);
    SetRampUp(index, values.RampUp);
    SetRampDown(index, values.RampDown);
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
    // the framing check tells, and one more upload usually gets through.
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
        if (attempt == 2)
            throw AbortError("Tabelle " + std::to_string(slot + 1) + " wurde nicht fehlerfrei übertragen");
    }
}

bool TTonvera::UploadTable(int slot, std::span<const std::int32_t, TableLength> table)
{
    WaveTable& cached = TableCache[static_cast<std::size_t>(slot)];
    // The answers to the upload's packets are counted from here.
    Drain();
    SetTableMode(TableModeLoading);
    std::copy(table.begin(), table.end(), cached.begin());
    long answered = 0;

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
        // The device answers every table word with a status byte that nobody
        // waits for. Dropped here, they cannot fill the receive buffer and
        // hold up the line; the framing check at the end drains anyway.
        answered += Drain();
        const long percent = static_cast<long>(rnd((b + 1) * 100.0 / WritesPerTable));
        if (Progress)
            Progress("Lade Tabelle " + std::to_string(slot + 1) + ": " + std::to_string(percent) + " %");
        if (Advanced)
            Advanced(static_cast<int>(percent));
    }

    SetTableMode(TableModeNormal);
    // The check's bytes must not queue behind the table: they may go only
    // once the table has left. The device's answers prove that it has:
    // when it answered (nearly) every packet and then fell quiet, it holds
    // nothing more, however fast the bytes went out. Otherwise the driver
    // is drained and the table's wire time waited out.
    const long packets = TableLength + 2;
    for (int quiet = 0; quiet < AnswerQuietRounds && answered < packets;) {
        Pauser->pause(AnswerPauseMs);
        if (Advanced)
            Advanced(100);
        const int n = Drain();
        answered += n;
        quiet = n > 0 ? 0 : quiet + 1;
    }
    if (answered + LostAnswersAllowed < packets) {
        Line->waitSent();
        CheckLine();
    }
    // After a table that lost no byte the device stands on a packet
    // boundary, so only the sixth single byte completes a packet.
    int firstReply = 0;
    const bool ok = CheckFraming(firstReply);
    return ok && firstReply == PacketSize;
}

} // namespace tonvera
