// SPDX-License-Identifier: GPL-3.0-or-later
#include "ControlInput.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tonvera::emutool {

using namespace tonvera::emu;

namespace {

// The handler only writes into a pipe the loop polls.
int SignalPipe[2] = {-1, -1};

void OnSignal(int sig)
{
    const int saved = errno;
    const char c = static_cast<char>(sig);
    [[maybe_unused]] const auto r = ::write(SignalPipe[1], &c, 1);
    errno = saved;
}

std::string Trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

void PrintState(Emulator& emu, EmuTime now)
{
    DeviceModel& d = emu.device();
    const DeviceRegisters& r = d.registers();
    std::fprintf(stderr, "mode: %s\n", emu.inBootLoader() ? "boot loader" : "packets");
    std::fprintf(stderr, "status byte: 0x%02x (run end %d, input %d, overflow %d)\n", d.status(now),
                 d.runEnded(now) ? 1 : 0, d.input() ? 1 : 0, d.overflowSeen(now) ? 1 : 0);
    std::fprintf(stderr, "run: %s, %.3f ms since start, %llu starts\n", d.playing() ? "playing" : "stopped",
                 double(d.runTicks(now)) / 4000.0, static_cast<unsigned long long>(d.starts()));
    std::fprintf(stderr, "period %u, end of output %u, trigger %u..%u (10 us units)\n", r.period, r.endOfOutput,
                 r.triggerStart, r.triggerStop);
    std::fprintf(stderr, "repetitions %u%s, table mode %u, final attenuation %u x 0.75 dB\n", r.repetitions,
                 r.endless ? " endless" : "", r.tableMode, r.endDampSteps);
    for (int k = 0; k < ChannelCount; ++k) {
        const ChannelRegisters& c = r.channels[std::size_t(k)];
        std::fprintf(stderr, "signal %d: freq %u phase %u amplitude %u start %u fall %u up %u down %u (table %d)\n", k,
                     c.frequency, c.phase, c.amplitude(), c.startTime, c.fallStart, c.rampUp, c.rampDown,
                     DeviceTableOf(k));
    }
    std::fprintf(stderr, "packets %llu (unknown %llu), bytes %llu (dropped %llu)\n",
                 static_cast<unsigned long long>(d.packets()), static_cast<unsigned long long>(d.unknownPackets()),
                 static_cast<unsigned long long>(emu.bytesReceived()),
                 static_cast<unsigned long long>(emu.bytesDropped()));
}

} // namespace

EmuTime Now() { return std::chrono::duration_cast<EmuTime>(std::chrono::steady_clock::now().time_since_epoch()); }

bool InstallSignals()
{
    if (::pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2})
        ::sigaction(sig, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // Started in the background of an interactive shell, a read of the
    // terminal fails instead of stopping the emulator; commands then come
    // from the control FIFO or the signals.
    std::signal(SIGTTIN, SIG_IGN);
    return true;
}

int SignalFd() { return SignalPipe[0]; }

bool CommandReader::read(std::vector<std::string>& lines)
{
    char buf[512];
    const ssize_t n = ::read(Fd, buf, sizeof buf);
    if (n == 0)
        return false;
    if (n < 0)
        return errno == EAGAIN || errno == EINTR;
    Buffer.append(buf, std::size_t(n));
    std::size_t pos;
    while ((pos = Buffer.find('\n')) != std::string::npos) {
        lines.push_back(Buffer.substr(0, pos));
        Buffer.erase(0, pos + 1);
    }
    if (Buffer.size() > 4096)
        Buffer.clear();
    return true;
}

bool RunCommand(const std::string& raw, Emulator& emu)
{
    const std::string cmd = Trim(raw);
    if (cmd.empty())
        return true;
    if (cmd == "input 0" || cmd == "input 1") {
        emu.device().setInput(cmd.back() == '1');
        std::fprintf(stderr, "tonvera-emu: external input %c\n", cmd.back());
    } else if (cmd == "silent 0" || cmd == "silent 1") {
        emu.setSilent(cmd.back() == '1');
        std::fprintf(stderr, "tonvera-emu: answers %s\n", cmd.back() == '1' ? "off" : "on");
    } else if (cmd == "status") {
        PrintState(emu, Now());
    } else if (cmd == "quit" || cmd == "exit") {
        return false;
    } else {
        std::fprintf(stderr, "tonvera-emu: unknown command '%s' (input 0, input 1, silent 0, silent 1, status, quit)\n",
                     cmd.c_str());
    }
    return true;
}

int OpenControl(const std::string& path, bool& created)
{
    struct stat st {};
    created = false;
    if (::stat(path.c_str(), &st) != 0) {
        created = true;
        if (::mkfifo(path.c_str(), 0600) != 0) {
            std::fprintf(stderr, "tonvera-emu: cannot create the FIFO %s: %s\n", path.c_str(), std::strerror(errno));
            return -1;
        }
    } else if (!S_ISFIFO(st.st_mode)) {
        std::fprintf(stderr, "tonvera-emu: %s is not a FIFO\n", path.c_str());
        return -1;
    }
    // Read and write, so the FIFO never reports end of input when a writer
    // goes away and the next writer is heard as well.
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "tonvera-emu: cannot open the FIFO %s: %s\n", path.c_str(), std::strerror(errno));
        if (created)
            ::unlink(path.c_str());
    }
    return fd;
}

} // namespace tonvera::emutool
