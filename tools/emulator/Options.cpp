// SPDX-License-Identifier: GPL-3.0-or-later
#include "Options.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <chrono>

namespace tonvera::emutool {

namespace {

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

} // namespace

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
    "  --transducer FILE    gain over frequency applied to what the device plays:\n"
    "                       lines frequency/gain in dB, as in a calibration file\n"
    "  --audio-out PATH     write what the device plays, as it plays it, as raw\n"
    "                       16-bit little-endian mono PCM to a FIFO or file\n"
    "  --audio-rate HZ      sample rate of --audio-out (default 48000)\n"
    "  --verbose            report every packet and run event on stderr\n"
    "  --parent PID         end (as on SIGTERM) when process PID, which started it,\n"
    "                       is no longer its parent: killed or ended\n"
    "  --remove-link-folder remove the link's folder too on exit, when it is empty\n"
    "  --help               this text\n"
    "\n"
    "Commands on standard input or the control FIFO, one a line:\n"
    "  input 0 | input 1    set the external input (status bit 4)\n"
    "  status               print the device state\n"
    "  quit                 stop serving\n"
    "SIGUSR1 sets the input to 1, SIGUSR2 sets it to 0.\n";

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
        // The options that take a path or a file name.
        const struct {
            const char* name;
            std::string Settings::*field;
            const char* needs;
        } paths[] = {{"--link", &Settings::link, "a path"},
                     {"--log", &Settings::logFile, "a file name"},
                     {"--firmware-out", &Settings::firmwareOut, "a file name"},
                     {"--control", &Settings::control, "a path"},
                     {"--wav", &Settings::wavFile, "a file name"},
                     {"--transducer", &Settings::transducerFile, "a file name"},
                     {"--audio-out", &Settings::audioOut, "a path"}};
        const auto path = std::find_if(std::begin(paths), std::end(paths), [&](const auto& p) { return a == p.name; });
        if (path != std::end(paths)) {
            if (!value(s.*(path->field)) || (s.*(path->field)).empty())
                return a + " needs " + path->needs;
        } else if (a == "--help" || a == "-h") {
            help = true;
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
        } else if (a == "--wav-rate") {
            if (!value(v) || !ParseUnsigned(v, 1'000'000, n) || n < 1000)
                return "--wav-rate takes a sample rate of 1000 to 1000000 Hz";
            s.wavRate = static_cast<std::uint32_t>(n);
        } else if (a == "--audio-rate") {
            if (!value(v) || !ParseUnsigned(v, 384'000, n) || n < 8000)
                return "--audio-rate takes a sample rate of 8000 to 384000 Hz";
            s.audioRate = static_cast<std::uint32_t>(n);
        } else if (a == "--parent") {
            if (!value(v) || !ParseUnsigned(v, 0x7FFFFFFF, n) || n < 1)
                return "--parent takes a process id";
            s.parent = static_cast<long>(n);
        } else if (a == "--remove-link-folder") {
            s.removeLinkFolder = true;
        } else if (a == "--verbose" || a == "-v") {
            s.verbose = true;
        } else {
            return "unknown option '" + a + "'";
        }
    }
    if (!help && s.link.empty())
        return "--link PATH is required";
    // The transducer shapes only the live output; --wav stays what the
    // device's connector carries, as render writes it.
    if (!help && !s.transducerFile.empty() && s.audioOut.empty())
        return "--transducer needs --audio-out";
    return std::nullopt;
}

} // namespace tonvera::emutool
