// SPDX-License-Identifier: GPL-3.0-or-later
#include "emu/Registers.h"

namespace tonvera::emu {

namespace {

constexpr std::uint8_t StopBit = 0x20;
constexpr std::uint8_t TableWordCode = 113;

std::uint32_t Word24(const Packet& p) { return p[3] | (p[4] << 8) | (std::uint32_t(p[5]) << 16); }
std::uint32_t Word16(const Packet& p) { return p[4] | (p[5] << 8); }

// Per-signal registers: sub-code 0..7 the first register of the pair,
// 8..15 the second.
Command PerSignal(const Packet& p, CommandKind first, CommandKind second)
{
    Command c;
    const int sub = p[1];
    if (sub >= 2 * ChannelCount || p[2] != 0)
        return c;
    c.kind = sub < ChannelCount ? first : second;
    c.channel = sub % ChannelCount;
    c.value = Word24(p);
    return c;
}

} // namespace

Command DecodePacket(const Packet& p)
{
    Command c;
    const std::uint8_t code = p[0];
    if (code == TableWordCode) {
        c.kind = CommandKind::TableWord;
        c.stopForm = true;
        c.value = p[1] | (p[2] << 8) | (std::uint32_t(p[3]) << 16);
        c.sample = static_cast<std::int16_t>(Word16(p));
        return c;
    }
    const bool stopForm = (code & StopBit) != 0;
    const std::uint8_t base = code & ~StopBit;
    const int sub = p[1];
    switch (base) {
    case 0:
        if (sub == 0)
            c.kind = CommandKind::Status;
        break;
    case 'B': c = PerSignal(p, CommandKind::Frequency, CommandKind::Phase); break;
    case 'C': c = PerSignal(p, CommandKind::RampUp, CommandKind::RampDown); break;
    case 'D': c = PerSignal(p, CommandKind::StartTime, CommandKind::FallStart); break;
    case 'H':
        if (sub < ChannelCount && p[2] == 0) {
            c.kind = CommandKind::Amplitude;
            c.channel = sub;
            c.value = Word24(p);
        }
        break;
    case 'E': {
        static constexpr CommandKind bySub[] = {CommandKind::EndOfOutput, CommandKind::TriggerStop,
                                                CommandKind::TriggerStart, CommandKind::Period};
        if (sub < 4 && p[2] == 0) {
            c.kind = bySub[sub];
            c.value = Word24(p);
        }
        break;
    }
    case 'F':
        if (sub == 0) {
            c.kind = CommandKind::TableMode;
            c.value = Word16(p);
        }
        break;
    case 'G':
        if (sub == 0) {
            c.kind = CommandKind::EndDamp;
            c.value = p[5];
        }
        break;
    case 'I':
        if (sub == 0) {
            c.kind = CommandKind::Repetitions;
            c.value = 255u - p[4];
            c.endless = (p[5] & 0x80) != 0;
        }
        break;
    default: break;
    }
    c.stopForm = stopForm;
    return c;
}

void ApplyCommand(DeviceRegisters& regs, const Command& c)
{
    auto channel = [&]() -> ChannelRegisters& { return regs.channels[static_cast<std::size_t>(c.channel)]; };
    switch (c.kind) {
    case CommandKind::Frequency: channel().frequency = c.value; break;
    case CommandKind::Phase: channel().phase = c.value; break;
    case CommandKind::RampUp: channel().rampUp = c.value; break;
    case CommandKind::RampDown: channel().rampDown = c.value; break;
    case CommandKind::StartTime: channel().startTime = c.value; break;
    case CommandKind::FallStart: channel().fallStart = c.value; break;
    case CommandKind::Amplitude: channel().amplitudeWord = c.value; break;
    case CommandKind::EndOfOutput: regs.endOfOutput = c.value; break;
    case CommandKind::TriggerStop: regs.triggerStop = c.value; break;
    case CommandKind::TriggerStart: regs.triggerStart = c.value; break;
    case CommandKind::Period: regs.period = c.value; break;
    case CommandKind::TableMode: regs.tableMode = c.value; break;
    case CommandKind::EndDamp: regs.endDampSteps = c.value; break;
    case CommandKind::Repetitions:
        regs.repetitions = c.value;
        regs.endless = c.endless;
        break;
    case CommandKind::Status:
    case CommandKind::TableWord:
    case CommandKind::Unknown: break;
    }
}

const char* CommandName(CommandKind k)
{
    switch (k) {
    case CommandKind::Status: return "status";
    case CommandKind::Frequency: return "frequency";
    case CommandKind::Phase: return "phase";
    case CommandKind::RampUp: return "ramp-up";
    case CommandKind::RampDown: return "ramp-down";
    case CommandKind::StartTime: return "start";
    case CommandKind::FallStart: return "fall-start";
    case CommandKind::EndOfOutput: return "end-of-output";
    case CommandKind::TriggerStop: return "trigger-stop";
    case CommandKind::TriggerStart: return "trigger-start";
    case CommandKind::Period: return "period";
    case CommandKind::TableMode: return "table-mode";
    case CommandKind::EndDamp: return "end-damp";
    case CommandKind::Amplitude: return "amplitude";
    case CommandKind::Repetitions: return "repetitions";
    case CommandKind::TableWord: return "table-word";
    case CommandKind::Unknown: return "unknown";
    }
    return "unknown";
}

} // namespace tonvera::emu
