// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/TTonvera.h"

#include <algorithm>

#include "device/RegisterError.h"
#include "model/Errors.h"

namespace tonvera {

using namespace protocol;

namespace {

// Bounds on loops that wait for the other side to fall silent. A device that
// never stops sending would otherwise hang the user-interface thread; a real
// one falls quiet within a few bytes. The drain bound is far above what the
// line can deliver between two reads.
constexpr int DrainLimit = 1 << 20;
constexpr int QuietLineRounds = 50; // 50 x 100 ms

constexpr int StatusTries = 10;
constexpr int StatusTryPauseMs = 1;
constexpr int SyncTries = 100;
constexpr int SynchronizePauseMs = 10;
constexpr int CheckSyncPauseMs = 50;
constexpr int QuietPauseMs = 100;
constexpr int FramePauseMs = 15;
// Owed answers come within the few ms of a status reading; a USB adapter's
// latency timer may hold them 16 ms more. Only a count that falls short
// waits this long, and then once more after the line has drained.
constexpr int AnswerPolls = 50;
constexpr int AnswerPollPauseMs = 1;
constexpr long long BaudRate = 115200;
constexpr long long BitsPerByte = 10;

} // namespace

TTonvera::TTonvera(SerialLine& line, Pause& pause) : Line(&line), Pauser(&pause) {}

void TTonvera::ClearTableCache()
{
    for (WaveTable& t : TableCache)
        std::fill(t.begin(), t.end(), 0);
}

int TTonvera::RunCode(int code) const { return Running ? code : code + RunStateOffset; }

int TTonvera::SignalIndex(int index)
{
    // Only 0..7 name a signal; index 8 and up would land on another signal's
    // second register.
    if (index < 0 || index >= TableCount)
        throw RangeError();
    return index;
}

void TTonvera::CheckLine()
{
    switch (Line->takeFault()) {
    case LineFault::None: return;
    case LineFault::Stalled: throw LineStallError();
    case LineFault::Lost:
        // The handle is of no use any more; closed, the line reads nothing
        // and drops writes, as without a device.
        Running = false;
        PortLost = true;
        Line->close();
        throw PortLostError();
    }
}

void TTonvera::Write(std::span<const std::uint8_t> bytes)
{
    if (Line->isOpen())
        SentBytes += static_cast<long long>(bytes.size());
    Line->writeBlock(bytes);
    CheckLine();
}

LineRead TTonvera::Read()
{
    const LineRead r = Line->readByte();
    if (r.arrived())
        ++Answers;
    CheckLine();
    return r;
}

void TTonvera::MarkBoundary()
{
    // Bytes of a packet not yet complete stay owed to the next one; answers
    // beyond the count (a byte the line made up) do not hide a later loss.
    SentBytes %= PacketSize;
    Answers = 0;
}

long long TTonvera::OwedAnswers() const { return SentBytes / PacketSize - Answers; }

long long TTonvera::AwaitAnswers(const std::function<void()>& waiting)
{
    const auto poll = [&](long long rounds) {
        for (long long i = 0; i < rounds && OwedAnswers() > 0; ++i) {
            Pauser->pause(AnswerPollPauseMs);
            if (waiting)
                waiting();
            while (OwedAnswers() > 0 && Read().arrived()) {
            }
        }
    };
    while (OwedAnswers() > 0 && Read().arrived()) {
    }
    if (OwedAnswers() <= 0)
        return 0;
    // The bytes of the owed packets may still be on their way: their time on
    // the wire first, then the answer time.
    const long long wireMs = OwedAnswers() * PacketSize * BitsPerByte * 1000 / BaudRate;
    poll(wireMs + AnswerPolls);
    if (OwedAnswers() > 0) {
        Line->waitSent();
        CheckLine();
        poll(AnswerPolls);
    }
    return std::max(0LL, OwedAnswers());
}

void TTonvera::Recover()
{
    // What the device holds is not what was sent; it must not play it. The
    // stop only means "stop" at a packet boundary, so that is found first.
    Running = false;
    Synchronize();
    MarkBoundary();
    StopOutput();
}

void TTonvera::ConfirmAnswers()
{
    if (!Line->isOpen()) {
        MarkBoundary();
        return;
    }
    const long long sent = SentBytes / PacketSize;
    const long long missing = AwaitAnswers();
    MarkBoundary();
    if (missing == 0) {
        Line->delivered();
        return;
    }
    Recover();
    throw UnconfirmedError(missing, sent);
}

void TTonvera::Realign()
{
    if (!Line->isOpen())
        return;
    if (AwaitAnswers() > 0)
        Synchronize();
    MarkBoundary();
}

void TTonvera::CheckInterrupted()
{
    if (Interrupted && Interrupted())
        throw TransferInterrupted();
}

void TTonvera::WritePacket(const Packet& packet) { Write(packet); }

void TTonvera::SendCommand(int code, int b1, int b2, int b3, int b4, int b5)
{
    WritePacket(MakePacket(RunCode(code), b1, b2, b3, b4, b5));
}

void TTonvera::SendBlock(std::span<const std::uint8_t> block) { Write(block); }

void TTonvera::SendSyncByte()
{
    const std::uint8_t b = static_cast<std::uint8_t>(RunCode(0));
    Write(std::span<const std::uint8_t>(&b, 1));
}

int TTonvera::Drain()
{
    int n = 0;
    while (n < DrainLimit && Read().arrived())
        ++n;
    return n;
}

// One reading: a reply that arrives damaged counts as 0, like no reply; the
// vote then decides. It still is an answer: the device is there.
std::uint8_t TTonvera::OneStatusReading()
{
    Drain();
    SendCommand(CodeStatus, 0);
    for (int i = 0; i < StatusTries; ++i) {
        Pauser->pause(StatusTryPauseMs);
        const LineRead r = Read();
        if (r.arrived()) {
            LastStatusAnswered = true;
            return r.value;
        }
    }
    return 0;
}

std::uint8_t TTonvera::ReadStatus()
{
    LastStatusAnswered = false;
    const std::uint8_t r1 = OneStatusReading();
    const std::uint8_t r2 = OneStatusReading();
    if (r1 == r2)
        return r1;
    const std::uint8_t r3 = OneStatusReading();
    return (r3 == r1 || r3 == r2) ? r3 : 0;
}

bool TTonvera::Synchronize()
{
    Drain();
    for (int i = 0; i < SyncTries; ++i) {
        SendSyncByte();
        Pauser->pause(SynchronizePauseMs);
        if (Read().arrived()) {
            MarkBoundary();
            SentBytes = 0;
            return true;
        }
    }
    return false;
}

bool TTonvera::CheckSync()
{
    int firstReply = 0;
    return CheckFraming(firstReply);
}

bool TTonvera::CheckFraming(int& firstReply)
{
    firstReply = 0;
    // 1. A quiet line: nothing may still be on its way.
    Drain();
    Pauser->pause(QuietPauseMs);
    for (int round = 1; round < QuietLineRounds && Drain() > 0; ++round)
        Pauser->pause(QuietPauseMs);

    // 2. Some answer at all.
    bool ok = false;
    for (int i = 0; i < SyncTries && !ok; ++i) {
        SendSyncByte();
        Pauser->pause(CheckSyncPauseMs);
        ok = Read().arrived();
        if (ok)
            firstReply = i + 1;
    }

    // 3.-5. After that answer we stand on a packet boundary: five single bytes
    // make an incomplete packet and must stay unanswered, the sixth completes
    // it and must be answered. All six always go out, so the device is left
    // on a boundary whatever it did.
    Drain();
    for (int i = 0; i < PacketSize - 1; ++i) {
        SendSyncByte();
        Pauser->pause(FramePauseMs);
        if (Read().arrived())
            ok = false;
    }
    SendSyncByte();
    Pauser->pause(FramePauseMs);
    if (!Read().arrived())
        ok = false;

    Drain();
    if (ok) {
        MarkBoundary();
        SentBytes = 0;
    }
    return ok;
}

void TTonvera::StartOutput()
{
    Running = true;
    // Written unchanged: 32 stops whatever plays, the plain status query then
    // starts the run from time 0.
    WritePacket(MakePacket(CodeStart, 0, 0, 0, 0, 0));
    SendCommand(CodeStatus, 0);
}

void TTonvera::StopOutput()
{
    Running = false;
    SendCommand(CodeStatus, 0);
}

void TTonvera::WaitSent()
{
    Line->waitSent();
    CheckLine();
}

namespace {

// Runs the packets of one register; a value the protocol cannot carry names
// the register it was meant for.
template <typename F>
void Refusing(int signal, Register reg, double value, F&& send)
{
    try {
        send();
    } catch (const RegisterRangeError&) {
        throw;
    } catch (const RangeError&) {
        throw RegisterRangeError(signal, reg, value);
    }
}

} // namespace

void TTonvera::SetFrequency(int index, double hz)
{
    const int sub = SignalIndex(index);
    Refusing(index, Register::Frequency, hz,
             [&] { WritePacket(MakeW24Packet(RunCode(CodeOscillator), sub, FrequencyWord(hz))); });
}

void TTonvera::SetPhase(int index, double degrees)
{
    const int sub = SignalIndex(index) + SubPhaseOffset;
    Refusing(index, Register::Phase, degrees,
             [&] { WritePacket(MakeW24Packet(RunCode(CodeOscillator), sub, PhaseWord(degrees))); });
}

void TTonvera::SetAttenuation(int index, double db)
{
    const int sub = SignalIndex(index);
    Refusing(index, Register::Attenuation, db, [&] {
        // The device takes the 16-bit amplitude in the top two bytes of its word.
        const std::int64_t word = AmplitudeOf(db) * 256;
        WritePacket(MakeW24Packet(RunCode(CodeAmplitude), sub, word));
    });
}

void TTonvera::SetStartTime(int index, double ms)
{
    const int sub = SignalIndex(index);
    Refusing(index, Register::Start, ms, [&] { WritePacket(MakeW24Packet(RunCode(CodeTime), sub, TimeWord(ms))); });
}

void TTonvera::SetRampDownStart(int index, double ms)
{
    const int sub = SignalIndex(index) + SubPhaseOffset;
    Refusing(index, Register::RampDownStart, ms,
             [&] { WritePacket(MakeW24Packet(RunCode(CodeTime), sub, TimeWord(ms))); });
}

void TTonvera::SetRampUp(int index, double ms)
{
    const int sub = SignalIndex(index);
    if (ms == 0)
        return;
    Refusing(index, Register::RampUp, ms, [&] { WritePacket(MakeW24Packet(RunCode(CodeRamp), sub, RampWord(ms))); });
}

void TTonvera::SetRampDown(int index, double ms)
{
    const int sub = SignalIndex(index) + SubPhaseOffset;
    if (ms == 0)
        return;
    Refusing(index, Register::RampDown, ms, [&] { WritePacket(MakeW24Packet(RunCode(CodeRamp), sub, RampWord(ms))); });
}

void TTonvera::SetSignalLength(bool flag, double ms)
{
    Refusing(-1, Register::SignalLength, ms, [&] {
        if (flag) {
            const std::int64_t v = TimeWord(ms);
            WritePacket(MakeW24Packet(RunCode(CodeLength), SubPeriod, v));
            WritePacket(MakeW24Packet(RunCode(CodeLength), SubEndOfOutput, FixedLengthWord));
        } else {
            WritePacket(MakeW24Packet(RunCode(CodeLength), SubPeriod, FixedLengthWord));
            WritePacket(MakeW24Packet(RunCode(CodeLength), SubEndOfOutput, TimeWord(ms)));
        }
    });
}

void TTonvera::SetTriggerWindow(double startMs, double stopMs)
{
    Refusing(-1, Register::TriggerStart, startMs,
             [&] { WritePacket(MakeW24Packet(RunCode(CodeLength), SubTriggerStart, TimeWord(startMs))); });
    Refusing(-1, Register::TriggerStop, stopMs,
             [&] { WritePacket(MakeW24Packet(RunCode(CodeLength), SubTriggerStop, TimeWord(stopMs))); });
}

void TTonvera::SetEndDamp(double db)
{
    Refusing(-1, Register::EndDamp, db, [&] {
        const int n = static_cast<int>(EndDampSteps(db));
        SendCommand(CodeEndDamp, 0, 0, 0, 0, n);
    });
}

void TTonvera::SetRepetitions(long long n, bool endless)
{
    if (n < 0 || n > 255)
        throw RegisterRangeError(-1, Register::Repetitions, static_cast<double>(n));
    const int e = endless ? EndlessFlag : 0;
    SendCommand(CodeRepetitions, 0, 0, 0, 255 - static_cast<int>(n), e);
    SendCommand(CodeRepetitions, 0, 0, 0, 255 - static_cast<int>(n), e);
}

void TTonvera::SetTableMode(int value) { WritePacket(MakeW16Packet(RunCode(CodeTableMode), 0, value)); }

} // namespace tonvera
