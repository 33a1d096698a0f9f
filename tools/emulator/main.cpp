// tonvera-emu: the signal generator on a pseudo-terminal.
//
// Opens a pty, points a symbolic link at its terminal device and serves the
// device protocol there until SIGINT or SIGTERM. See README.md.

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "emu/Emulator.h"
#include "emu/PacketLog.h"

namespace {

using namespace tonvera::emu;
namespace fs = std::filesystem;

struct Settings {
    std::string link;
    std::string logFile;
    std::string firmwareOut;
    std::string control;
    std::string wavFile;
    std::uint32_t wavRate = 48000;
    bool pace = false;
    bool verbose = false;
    EmulatorOptions emu;
};

const char* const Usage =
    "usage: tonvera-emu --link PATH [options]\n"
    "\n"
    "Serves the signal generator's protocol on a pseudo-terminal; PATH becomes a\n"
    "symbolic link to its terminal device. Runs until SIGINT or SIGTERM.\n"
    "\n"
    "  --link PATH          the link to create (an old link there is replaced)\n"
    "  --log FILE           log every packet received (six hex bytes a line)\n"
    "  --input 0|1          level of the external input at start (default 1)\n"
    "  --control FIFO       read commands from this FIFO (created if missing)\n"
    "  --bootloader         start in the boot loader\n"
    "  --boot-gap MS        quiet time that completes a firmware upload (200)\n"
    "  --firmware-out FILE  write the unpacked firmware of each upload\n"
    "  --pace               consume bytes no faster than 115200 baud\n"
    "  --silent             never answer\n"
    "  --answer-every-byte  answer every byte instead of every packet\n"
    "  --garbage            send random bytes instead of answers\n"
    "  --drop N             lose every N-th byte received\n"
    "  --seed N             seed of the random bytes of --garbage\n"
    "  --wav FILE           write what the device played as a WAV file on exit\n"
    "  --wav-rate HZ        sample rate of --wav (default 48000)\n"
    "  --verbose            report every packet and run event on stderr\n"
    "  --help               this text\n"
    "\n"
    "Commands on standard input or the control FIFO, one a line:\n"
    "  input 0 | input 1    set the external input (status bit 4)\n"
    "  status               print the device state\n"
    "  quit                 stop serving\n"
    "SIGUSR1 sets the input to 1, SIGUSR2 sets it to 0.\n";

bool ParseUnsigned(const std::string& text, std::uint64_t max, std::uint64_t& out)
{
    const char* b = text.data();
    const char* e = b + text.size();
    std::uint64_t v = 0;
    const auto r = std::from_chars(b, e, v);
    if (text.empty() || r.ec != std::errc() || r.ptr != e || v > max)
        return false;
    out = v;
    return true;
}

// Returns an error text, or nothing when the arguments are good.
std::optional<std::string> ParseArguments(int argc, char** argv, Settings& s, bool& help)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) -> bool {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        std::uint64_t n = 0;
        if (a == "--help" || a == "-h") {
            help = true;
        } else if (a == "--link") {
            if (!value(s.link) || s.link.empty())
                return "--link needs a path";
        } else if (a == "--log") {
            if (!value(s.logFile) || s.logFile.empty())
                return "--log needs a file name";
        } else if (a == "--firmware-out") {
            if (!value(s.firmwareOut) || s.firmwareOut.empty())
                return "--firmware-out needs a file name";
        } else if (a == "--control") {
            if (!value(s.control) || s.control.empty())
                return "--control needs a path";
        } else if (a == "--input") {
            if (!value(v) || (v != "0" && v != "1"))
                return "--input takes 0 or 1";
            s.emu.input = v == "1";
        } else if (a == "--bootloader") {
            s.emu.bootLoader = true;
        } else if (a == "--boot-gap") {
            if (!value(v) || !ParseUnsigned(v, 3'600'000, n) || n == 0)
                return "--boot-gap takes a number of milliseconds (1 or more)";
            s.emu.bootGap = std::chrono::milliseconds(n);
        } else if (a == "--pace") {
            s.pace = true;
        } else if (a == "--silent") {
            s.emu.faults.silent = true;
        } else if (a == "--answer-every-byte") {
            s.emu.faults.answerEveryByte = true;
        } else if (a == "--garbage") {
            s.emu.faults.garbage = true;
        } else if (a == "--drop") {
            if (!value(v) || !ParseUnsigned(v, 0xFFFFFFFF, n) || n < 1)
                return "--drop takes a count of 1 or more";
            s.emu.faults.drop = static_cast<std::uint32_t>(n);
        } else if (a == "--seed") {
            if (!value(v) || !ParseUnsigned(v, 0xFFFFFFFF, n))
                return "--seed takes a number";
            s.emu.seed = static_cast<std::uint32_t>(n);
        } else if (a == "--wav") {
            if (!value(s.wavFile) || s.wavFile.empty())
                return "--wav needs a file name";
        } else if (a == "--wav-rate") {
            if (!value(v) || !ParseUnsigned(v, 1'000'000, n) || n < 1000)
                return "--wav-rate takes a sample rate of 1000 to 1000000 Hz";
            s.wavRate = static_cast<std::uint32_t>(n);
        } else if (a == "--verbose" || a == "-v") {
            s.verbose = true;
        } else {
            return "unknown option '" + a + "'";
        }
    }
    if (!help && s.link.empty())
        return "--link PATH is required";
    return std::nullopt;
}

// --- Signals: the handler only writes into a pipe the loop polls. ---------

int SignalPipe[2] = {-1, -1};

void OnSignal(int sig)
{
    const int saved = errno;
    const char c = static_cast<char>(sig);
    [[maybe_unused]] const auto r = ::write(SignalPipe[1], &c, 1);
    errno = saved;
}

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

EmuTime Now() { return std::chrono::duration_cast<EmuTime>(std::chrono::steady_clock::now().time_since_epoch()); }

// --- The pseudo-terminal and its link. ----------------------------------

struct Pty {
    int master = -1;
    int slave = -1; // held open so the master never sees a hang-up
    std::string device;
};

bool OpenPty(Pty& pty, std::string& error)
{
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (pty.master < 0 || ::grantpt(pty.master) != 0 || ::unlockpt(pty.master) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ::ptsname(pty.master);
    if (!name) {
        error = std::string("no terminal device for the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    pty.device = name;
    pty.slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (pty.slave < 0) {
        error = "cannot open " + pty.device + ": " + std::strerror(errno);
        return false;
    }
    // Raw on the terminal side, so nothing is echoed or translated before
    // the program configures the port. The program's own settings replace
    // these when it opens the port; they are never set again from here.
    termios t {};
    if (::tcgetattr(pty.slave, &t) == 0) {
        cfmakeraw(&t);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        cfsetispeed(&t, B115200);
        cfsetospeed(&t, B115200);
        ::tcsetattr(pty.slave, TCSANOW, &t);
    }
    // The master side raw as well: nothing of the device's replies is changed.
    if (::tcgetattr(pty.master, &t) == 0) {
        cfmakeraw(&t);
        ::tcsetattr(pty.master, TCSANOW, &t);
    }
    return true;
}

bool MakeLink(const std::string& link, const std::string& target, std::string& error)
{
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(link, ec);
    if (fs::exists(st) && !fs::is_symlink(st)) {
        error = link + " exists and is not a symbolic link; not replacing it";
        return false;
    }
    // Made beside it and renamed over it, so the link is never missing or
    // half-made for a program that looks at it meanwhile.
    const std::string temp = link + ".tmp" + std::to_string(::getpid());
    fs::remove(temp, ec);
    fs::create_symlink(target, temp, ec);
    if (ec) {
        error = "cannot create the link " + link + ": " + ec.message();
        return false;
    }
    fs::rename(temp, link, ec);
    if (ec) {
        fs::remove(temp, ec);
        error = "cannot create the link " + link + ": " + ec.message();
        return false;
    }
    return true;
}

// Removes the link only while it is still ours: another emulator may have
// taken the name over meanwhile.
void RemoveLink(const std::string& link, const std::string& target)
{
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(link, ec)) && fs::read_symlink(link, ec) == target)
        fs::remove(link, ec);
}

// Replies that do not fit the terminal's buffer (nobody has read the earlier
// ones) are lost at once, as on a real line whose receiver overruns; the
// loop must never stall on them while bytes keep coming in.
void WriteReplies(int fd, const std::vector<std::uint8_t>& bytes, std::uint64_t& lost)
{
    std::size_t off = 0;
    while (off < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + off, bytes.size() - off);
        if (n > 0) {
            off += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        lost += bytes.size() - off;
        return;
    }
}

// --- Commands from standard input or the control FIFO. -----------------

class CommandReader {
public:
    explicit CommandReader(int fd) : Fd(fd) {}
    int fd() const { return Fd; }
    // Reads what is there; returns false at end of input.
    bool read(std::vector<std::string>& lines)
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

private:
    int Fd;
    std::string Buffer;
};

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
    std::fprintf(stderr, "run: %s, %.3f ms since start, %llu starts\n",
                 d.playing() ? "playing" : "stopped", double(d.runTicks(now)) / 4000.0,
                 static_cast<unsigned long long>(d.starts()));
    std::fprintf(stderr, "period %u, end of output %u, trigger %u..%u (10 us units)\n", r.period, r.endOfOutput,
                 r.triggerStart, r.triggerStop);
    std::fprintf(stderr, "repetitions %u%s, table mode %u, final attenuation %u x 0.75 dB\n", r.repetitions,
                 r.endless ? " endless" : "", r.tableMode, r.endDampSteps);
    for (int k = 0; k < ChannelCount; ++k) {
        const ChannelRegisters& c = r.channels[std::size_t(k)];
        std::fprintf(stderr,
                     "signal %d: freq %u phase %u amplitude %u start %u fall %u up %u down %u (table %d)\n", k,
                     c.frequency, c.phase, c.amplitude(), c.startTime, c.fallStart, c.rampUp, c.rampDown,
                     DeviceTableOf(k));
    }
    std::fprintf(stderr, "packets %llu (unknown %llu), bytes %llu (dropped %llu)\n",
                 static_cast<unsigned long long>(d.packets()), static_cast<unsigned long long>(d.unknownPackets()),
                 static_cast<unsigned long long>(emu.bytesReceived()),
                 static_cast<unsigned long long>(emu.bytesDropped()));
}

// Returns false for "quit".
bool RunCommand(const std::string& raw, Emulator& emu)
{
    const std::string cmd = Trim(raw);
    if (cmd.empty())
        return true;
    if (cmd == "input 0" || cmd == "input 1") {
        emu.device().setInput(cmd.back() == '1');
        std::fprintf(stderr, "tonvera-emu: external input %c\n", cmd.back());
    } else if (cmd == "status") {
        PrintState(emu, Now());
    } else if (cmd == "quit" || cmd == "exit") {
        return false;
    } else {
        std::fprintf(stderr, "tonvera-emu: unknown command '%s' (input 0, input 1, status, quit)\n", cmd.c_str());
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

// The runs played, one after the other without the pauses between them,
// as render writes them. Written to a temporary file first, so an old
// recording is replaced only by a complete one.
void WriteWav(const Settings& s, const RunRecorder& recorder, EmuTime now)
{
    WavFile wav(s.wavRate, false);
    bool overflow = false;
    const auto rendered = RenderRuns(recorder.runs(), now, wav, wav.maxFrames());
    for (const RenderedRun& r : rendered)
        overflow = overflow || r.overflow;
    const std::string tmp = s.wavFile + ".part";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        const std::string bytes = wav.bytes();
        out.write(bytes.data(), std::streamsize(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "tonvera-emu: cannot write %s\n", s.wavFile.c_str());
            ::unlink(tmp.c_str());
            return;
        }
    }
    if (std::rename(tmp.c_str(), s.wavFile.c_str()) != 0) {
        std::fprintf(stderr, "tonvera-emu: cannot write %s: %s\n", s.wavFile.c_str(), std::strerror(errno));
        ::unlink(tmp.c_str());
        return;
    }
    std::fprintf(stderr, "tonvera-emu: %.3f s in %zu run(s) written to %s%s\n", double(wav.frames()) / s.wavRate,
                 rendered.size(), s.wavFile.c_str(), overflow ? " (overflow)" : "");
}

int Serve(const Settings& s)
{
    std::unique_ptr<std::ofstream> logStream;
    std::unique_ptr<PacketLog> log;
    if (!s.logFile.empty()) {
        logStream = std::make_unique<std::ofstream>(s.logFile, std::ios::out | std::ios::trunc);
        if (!*logStream) {
            std::fprintf(stderr, "tonvera-emu: cannot write the log %s\n", s.logFile.c_str());
            return 2;
        }
        log = std::make_unique<PacketLog>(*logStream);
    }
    int controlFd = -1;
    bool controlCreated = false;
    if (!s.control.empty() && (controlFd = OpenControl(s.control, controlCreated)) < 0)
        return 2;
    // A FIFO made here goes again with the emulator; one that was there stays.
    struct ControlCleanup {
        const std::string& path;
        const bool& created;
        ~ControlCleanup()
        {
            if (created)
                ::unlink(path.c_str());
        }
    } controlCleanup {s.control, controlCreated};

    if (!InstallSignals()) {
        std::fprintf(stderr, "tonvera-emu: cannot set up signal handling\n");
        return 2;
    }
    Pty pty;
    std::string error;
    if (!OpenPty(pty, error) || !MakeLink(s.link, pty.device, error)) {
        std::fprintf(stderr, "tonvera-emu: %s\n", error.c_str());
        return 2;
    }

    Emulator emu(s.emu);
    const bool verbose = s.verbose;
    emu.onPacket = [&](const Packet& p) {
        if (log)
            log->packet(p);
        if (verbose) {
            const Command c = DecodePacket(p);
            std::fprintf(stderr, "packet %s  %s%s\n", HexLine(p).c_str(), CommandName(c.kind),
                         c.stopForm ? " (stopped form)" : "");
        }
    };
    emu.onFirmware = [&](const std::vector<std::uint8_t>& fw) {
        std::fprintf(stderr, "tonvera-emu: firmware received, %zu bytes; now in packet mode\n", fw.size());
        if (!s.firmwareOut.empty()) {
            std::ofstream out(s.firmwareOut, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(fw.data()), std::streamsize(fw.size()));
            if (!out)
                std::fprintf(stderr, "tonvera-emu: cannot write %s\n", s.firmwareOut.c_str());
        }
    };

    std::printf("%s -> %s\n", s.link.c_str(), pty.device.c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "tonvera-emu: serving on %s (%s)%s\n", s.link.c_str(), pty.device.c_str(),
                 s.emu.bootLoader ? ", in the boot loader" : "");

    CommandReader stdinReader(STDIN_FILENO);
    // Read only when poll says so, so standard input stays blocking (it may
    // be the operator's terminal, shared with the shell).
    bool stdinOpen = ::fcntl(STDIN_FILENO, F_GETFD) != -1;
    std::optional<CommandReader> controlReader;
    if (controlFd >= 0)
        controlReader.emplace(controlFd);

    // Every run the device starts, for --wav.
    RunRecorder recorder;

    WirePace pace;
    pace.idle(Now());
    bool running = true;
    bool hungUp = false;
    bool lastPlaying = false;
    bool lastEnded = false;
    std::uint64_t lostReplies = 0;
    std::vector<std::uint8_t> buf(4096);

    while (running) {
        EmuTime now = Now();
        // How long to sleep: a pending boot-loader gap, the pace of the
        // line, a running overflow scan, and at most a short while anyway.
        std::int64_t waitMs = 50;
        if (const auto d = emu.nextDeadline())
            waitMs = std::min<std::int64_t>(waitMs, std::max<std::int64_t>(0, (*d - now).count() / 1'000'000 + 1));
        if (emu.device().scanPending())
            waitMs = std::min<std::int64_t>(waitMs, 5);
        bool paceBlocked = false;
        if (s.pace && pace.allowance(now) == 0) {
            // Rounded up to whole milliseconds; the pace keeps the rate exact.
            paceBlocked = true;
            waitMs = std::min<std::int64_t>(waitMs, std::max<std::int64_t>(1, (pace.nextByteAt() - now).count() / 1'000'000 + 1));
        }
        if (hungUp)
            waitMs = std::min<std::int64_t>(waitMs, 5);

        pollfd fds[4];
        int nfds = 0;
        fds[nfds++] = {SignalPipe[0], POLLIN, 0};
        const int masterIdx = (!paceBlocked && !hungUp) ? nfds : -1;
        if (masterIdx >= 0)
            fds[nfds++] = {pty.master, POLLIN, 0};
        const int stdinIdx = stdinOpen ? nfds : -1;
        if (stdinOpen)
            fds[nfds++] = {STDIN_FILENO, POLLIN, 0};
        const int controlIdx = controlReader ? nfds : -1;
        if (controlReader)
            fds[nfds++] = {controlFd, POLLIN, 0};

        const int ready = ::poll(fds, nfds, int(waitMs));
        if (s.pace && masterIdx >= 0 && ready == 0)
            pace.idle(Now());
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "tonvera-emu: poll failed: %s\n", std::strerror(errno));
            break;
        }
        now = Now();
        hungUp = false;

        if (ready > 0 && (fds[0].revents & POLLIN)) {
            char sigs[16];
            ssize_t n;
            while ((n = ::read(SignalPipe[0], sigs, sizeof sigs)) > 0) {
                for (ssize_t i = 0; i < n; ++i) {
                    if (sigs[i] == SIGUSR1 || sigs[i] == SIGUSR2) {
                        emu.device().setInput(sigs[i] == SIGUSR1);
                        if (verbose)
                            std::fprintf(stderr, "tonvera-emu: external input %d\n", sigs[i] == SIGUSR1 ? 1 : 0);
                    } else {
                        running = false;
                    }
                }
            }
        }
        std::vector<std::string> lines;
        if (stdinIdx >= 0 && (fds[stdinIdx].revents & (POLLIN | POLLHUP | POLLERR)))
            if (!stdinReader.read(lines))
                stdinOpen = false;
        if (controlIdx >= 0 && (fds[controlIdx].revents & POLLIN))
            controlReader->read(lines);
        for (const std::string& line : lines)
            if (!RunCommand(line, emu))
                running = false;

        if (masterIdx >= 0 && fds[masterIdx].revents) {
            std::size_t want = buf.size();
            if (s.pace)
                want = std::min(want, pace.allowance(now));
            const ssize_t n = want > 0 ? ::read(pty.master, buf.data(), want) : 0;
            if (s.pace && (n <= 0 || std::size_t(n) < want))
                pace.idle(now);
            if (n > 0) {
                if (s.pace)
                    pace.consumed(std::size_t(n));
                const auto reply = emu.receive(std::span<const std::uint8_t>(buf.data(), std::size_t(n)), now);
                if (!reply.empty())
                    WriteReplies(pty.master, reply, lostReplies);
                if (!s.wavFile.empty()) {
                    const DeviceModel& d = emu.device();
                    recorder.note(d.starts(), d.lastRun(), d.stopped(), now);
                }
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                // No terminal side open (EIO): wait for the program to come back.
                hungUp = true;
            } else if (n == 0 && want > 0 && (fds[masterIdx].revents & POLLHUP)) {
                hungUp = true;
            }
        }
        emu.tick(now);

        if (verbose) {
            const bool playing = emu.device().playing();
            const bool ended = emu.device().runEnded(now);
            if (playing != lastPlaying || ended != lastEnded)
                std::fprintf(stderr, "tonvera-emu: run %s%s\n", playing ? "playing" : "stopped",
                             ended ? ", end of output reached" : "");
            lastPlaying = playing;
            lastEnded = ended;
        }
    }

    if (log)
        log->finish();
    if (!s.wavFile.empty())
        WriteWav(s, recorder, Now());
    if (lostReplies > 0)
        std::fprintf(stderr, "tonvera-emu: %llu reply bytes lost: the program did not read them\n",
                     static_cast<unsigned long long>(lostReplies));
    RemoveLink(s.link, pty.device);
    if (controlFd >= 0)
        ::close(controlFd);
    ::close(pty.slave);
    ::close(pty.master);
    std::fprintf(stderr, "tonvera-emu: stopped\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Settings s;
    bool help = false;
    if (const auto error = ParseArguments(argc, argv, s, help)) {
        std::fprintf(stderr, "tonvera-emu: %s\n\n%s", error->c_str(), Usage);
        return 2;
    }
    if (help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    return Serve(s);
}
