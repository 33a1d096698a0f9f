// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Running tonvera-cli from bin/ as a user would, writing project files with
// the program's own project writer, and reading the WAV files it renders.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "files/ProjectFile.h"
#include "support/TempDir.h"
#include "model/SinusRecord.h"

#ifndef TONVERA_BIN_DIR
#error "the tests of tonvera-cli need TONVERA_BIN_DIR"
#endif

namespace tonvera::test {

inline std::string FixturePath(const std::string& name) { return std::string(TONVERA_FIXTURES_DIR) + "/cli/" + name; }

inline std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// tonvera-cli started in the background, its output in files.
class CliProcess {
public:
    // Standard input reads `input` (empty: /dev/null).
    explicit CliProcess(const std::vector<std::string>& args, const std::string& input = "")
    {
        std::string templ = (std::filesystem::temp_directory_path() / "tonvera-cli-run-XXXXXX").string();
        if (!::mkdtemp(templ.data()))
            throw std::runtime_error("cannot make a temporary folder");
        Dir = templ;
        std::vector<std::string> argv{std::string(TONVERA_BIN_DIR) + "/tonvera-cli"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargv;
        for (std::string& a : argv)
            cargv.push_back(a.data());
        cargv.push_back(nullptr);
        const std::string outPath = Dir + "/out", errPath = Dir + "/err";
        Pid = ::fork();
        if (Pid < 0)
            throw std::runtime_error("fork failed");
        if (Pid == 0) {
            const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int null = ::open(input.empty() ? "/dev/null" : input.c_str(), O_RDONLY);
            ::dup2(null, STDIN_FILENO);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            ::execv(cargv[0], cargv.data());
            ::_exit(127);
        }
    }
    ~CliProcess()
    {
        if (Pid > 0) {
            ::kill(Pid, SIGKILL);
            ::waitpid(Pid, nullptr, 0);
        }
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    std::string out() const { return ReadAll(Dir + "/out"); }
    std::string err() const { return ReadAll(Dir + "/err"); }
    void signal(int sig) const
    {
        if (Pid > 0)
            ::kill(Pid, sig);
    }
    // The exit code; -1 when it did not end within the limit (it is killed).
    int wait(std::chrono::seconds limit = std::chrono::seconds(60))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (::waitpid(Pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        Pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    std::string Dir;
    pid_t Pid = -1;
};

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

inline CliResult RunCli(const std::vector<std::string>& args)
{
    CliProcess p(args);
    CliResult r;
    r.code = p.wait();
    r.out = p.out();
    r.err = p.err();
    return r;
}

// The lines of a tool's output or of a log, without their ends.
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A project as the window holds it: records, globals, variables; written
// by the program's own writer.
struct ProjectBuilder {
    MainState state;
    ProjectGlobals globals;

    ProjectBuilder()
    {
        globals.Signaldauer = "100";
        globals.Triggerstart = "0";
        globals.Triggerstop = "0";
        globals.EndDamp = "0";
        globals.AnzWieder = "1";
        // Every slot holds texts, as after "Neu" in the window.
        for (SinusRecord& r : state.SinusArray)
            r.SetDefaultTexts();
    }

    SinusRecord& signal(int i, const std::string& freq)
    {
        SinusRecord& r = state.SinusArray[static_cast<std::size_t>(i)];
        r.SetDefaultTexts();
        r.Used = true;
        r.TabTyp = TypeSinus;
        r.Freq = freq;
        return r;
    }
    void variable(int slot, std::vector<std::string> items) { state.VariTable.slot(slot) = std::move(items); }

    void write(const std::string& path) const
    {
        std::vector<std::string> lines;
        WriteProject(state, globals, lines);
        std::ofstream(path, std::ios::binary) << ProjectFileBytes(lines);
    }
};

// A 16-bit two-channel WAV file as tonvera-cli render writes it.
struct Wav {
    std::uint32_t rate = 0;
    std::vector<double> output;  // channel 1, converter units
    std::vector<double> trigger; // channel 2

    static Wav read(const std::string& path)
    {
        const std::string b = ReadAll(path);
        auto u16 = [&](std::size_t at) {
            return std::uint32_t(std::uint8_t(b.at(at)) | std::uint8_t(b.at(at + 1)) << 8);
        };
        auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
        Wav w;
        if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0)
            throw std::runtime_error("not a WAV file: " + path);
        std::size_t at = 12;
        std::uint32_t channels = 0, bits = 0, format = 0;
        while (at + 8 <= b.size()) {
            const std::string id = b.substr(at, 4);
            const std::uint32_t size = u32(at + 4);
            if (id == "fmt ") {
                format = u16(at + 8);
                channels = u16(at + 10);
                w.rate = u32(at + 12);
                bits = u16(at + 22);
            } else if (id == "data") {
                if (format != 1 || channels != 2 || bits != 16 || at + 8 + size > b.size())
                    throw std::runtime_error("unexpected WAV layout: " + path);
                for (std::size_t i = at + 8; i + 4 <= at + 8 + size; i += 4) {
                    w.output.push_back(static_cast<std::int16_t>(u16(i)));
                    w.trigger.push_back(static_cast<std::int16_t>(u16(i + 2)));
                }
            }
            at += 8 + size + (size & 1);
        }
        return w;
    }
};

} // namespace tonvera::test
