// SPDX-License-Identifier: GPL-3.0-or-later
#include "Serve.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <poll.h>
#include <unistd.h>

#include "AudioOut.h"
#include "ControlInput.h"
#include "PtyLink.h"
#include "emu/LiveAudio.h"
#include "emu/PacketLog.h"
#include "emu/Recording.h"
#include "files/TextFile.h"
#include "model/Errors.h"

namespace tonvera::emutool {

using namespace tonvera::emu;

namespace {

// The runs played, one after the other without the pauses between them,
// as render writes them. Written atomically, so an old recording is
// replaced only by a complete one.
void WriteWav(const Settings& s, const RunRecorder& recorder, EmuTime now)
{
    WavFile wav(s.wavRate, false);
    bool overflow = false;
    const auto rendered = RenderRuns(recorder.runs(), now, wav, wav.maxFrames());
    for (const RenderedRun& r : rendered)
        overflow = overflow || r.overflow;
    try {
        WriteFileAtomically(s.wavFile, wav.bytes());
    } catch (const FileError&) {
        std::fprintf(stderr, "tonvera-emu: cannot write %s\n", s.wavFile.c_str());
        return;
    }
    std::fprintf(stderr, "tonvera-emu: %.3f s in %zu run(s) written to %s%s\n", double(wav.frames()) / s.wavRate,
                 rendered.size(), s.wavFile.c_str(), overflow ? " (overflow)" : "");
}

// The transducer file, read whole; nothing when it cannot be used.
std::optional<Transducer> ReadTransducer(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "tonvera-emu: cannot read the transducer %s\n", file.c_str());
        return std::nullopt;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.size() > std::size_t(MaxReadFileSize)) {
        std::fprintf(stderr, "tonvera-emu: the transducer %s is too large\n", file.c_str());
        return std::nullopt;
    }
    try {
        return ParseTransducer(bytes, file);
    } catch (const AbortError& e) {
        std::fprintf(stderr, "tonvera-emu: %s\n", e.text().c_str());
        return std::nullopt;
    }
}

} // namespace

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
    } controlCleanup{s.control, controlCreated};

    std::optional<Transducer> transducer;
    if (!s.transducerFile.empty() && !(transducer = ReadTransducer(s.transducerFile)))
        return 2;
    std::optional<AudioOut> audioOut;
    if (!s.audioOut.empty()) {
        std::string error;
        audioOut.emplace(s.audioOut);
        if (!audioOut->prepare(error)) {
            std::fprintf(stderr, "tonvera-emu: %s\n", error.c_str());
            return 2;
        }
    }

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
    // What it plays now, for --audio-out.
    std::optional<LiveAudio> live;
    if (audioOut)
        live.emplace(s.audioRate, Now(), transducer);

    WirePace pace;
    pace.idle(Now());
    bool running = true;
    bool hungUp = false;
    bool lastPlaying = false;
    bool lastEnded = false;
    std::uint64_t lostReplies = 0;
    std::vector<std::uint8_t> buf(4096);

    while (running) {
        // A parent that is gone leaves the emulator to init (or a subreaper);
        // the loop wakes at least every 50 ms, so it follows within that.
        // Watched here rather than by a parent-death signal, which the kernel
        // ties to the thread that started the emulator, not to its process.
        if (s.parent != 0 && ::getppid() != static_cast<pid_t>(s.parent)) {
            std::fprintf(stderr, "tonvera-emu: process %ld that started it has ended\n", s.parent);
            break;
        }
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
            waitMs = std::min<std::int64_t>(
                waitMs, std::max<std::int64_t>(1, (pace.nextByteAt() - now).count() / 1'000'000 + 1));
        }
        if (hungUp)
            waitMs = std::min<std::int64_t>(waitMs, 5);
        // Short batches keep the live output close to the device's time.
        if (live)
            waitMs = std::min<std::int64_t>(waitMs, 10);

        pollfd fds[4];
        int nfds = 0;
        fds[nfds++] = {SignalFd(), POLLIN, 0};
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
            while ((n = ::read(SignalFd(), sigs, sizeof sigs)) > 0) {
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
                const DeviceModel& d = emu.device();
                if (!s.wavFile.empty())
                    recorder.note(d.starts(), d.lastRun(), d.stopped(), now);
                if (live)
                    live->note(d.starts(), d.lastRun(), d.stopped(), now);
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                // No terminal side open (EIO): wait for the program to come back.
                hungUp = true;
            } else if (n == 0 && want > 0 && (fds[masterIdx].revents & POLLHUP)) {
                hungUp = true;
            }
        }
        emu.tick(now);
        if (live)
            audioOut->write(live->produce(now));

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
    if (s.removeLinkFolder) {
        // Only an empty folder goes (a removal never takes a folder with
        // anything in it): whatever else lies there is not ours.
        std::error_code ec;
        const std::filesystem::path folder = std::filesystem::path(s.link).parent_path();
        if (!folder.empty())
            std::filesystem::remove(folder, ec);
    }
    if (controlFd >= 0)
        ::close(controlFd);
    ::close(pty.slave);
    ::close(pty.master);
    std::fprintf(stderr, "tonvera-emu: stopped\n");
    return 0;
}

} // namespace tonvera::emutool
