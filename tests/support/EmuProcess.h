// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Starts tonvera-emu for a test: on a link of its own in a fresh temporary
// folder, waits until the link points at the emulator's terminal, and in the
// destructor stops the emulator and removes the link and the folder. The
// emulator also goes when the test program dies: it gets SIGTERM from the
// kernel (PR_SET_PDEATHSIG) and removes its link itself.
//
//   tonvera::test::EmuProcess emu({"--log", "{dir}/packets.log"});
//   line.open(emu.link());
//   emu.setInput(false);                 // status bit 4 := 0
//
// "{dir}" in an argument stands for the temporary folder.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#ifndef TONVERA_BIN_DIR
#error "EmuProcess needs TONVERA_BIN_DIR, the folder of tonvera-emu"
#endif

namespace tonvera::test {

class EmuProcess {
public:
    enum class Start { Now, Later };

    explicit EmuProcess(std::vector<std::string> args = {}, Start when = Start::Now)
    {
        std::string templ = (std::filesystem::temp_directory_path() / "tonvera-emu-XXXXXX").string();
        if (!::mkdtemp(templ.data()))
            throw std::runtime_error("EmuProcess: cannot make a temporary folder");
        Dir = templ;
        Link = Dir + "/tty";
        if (when == Start::Now) {
            try {
                start(std::move(args));
            } catch (...) {
                // No destructor runs for a constructor that throws.
                stop();
                std::error_code ec;
                std::filesystem::remove_all(Dir, ec);
                throw;
            }
        }
    }

    ~EmuProcess()
    {
        stop();
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }

    EmuProcess(const EmuProcess&) = delete;
    EmuProcess& operator=(const EmuProcess&) = delete;

    // The port name to open: a link to the emulator's terminal device.
    const std::string& link() const { return Link; }
    const std::string& dir() const { return Dir; }
    std::string path(const std::string& name) const { return Dir + "/" + name; }
    pid_t pid() const { return Pid; }

    void start(std::vector<std::string> args)
    {
        if (Pid > 0)
            throw std::runtime_error("EmuProcess: already started");
        const std::string program = std::string(TONVERA_BIN_DIR) + "/tonvera-emu";
        std::vector<std::string> argv{program, "--link", Link};
        for (std::string& a : args) {
            for (std::size_t p; (p = a.find("{dir}")) != std::string::npos;)
                a.replace(p, 5, Dir);
            argv.push_back(a);
        }
        std::vector<char*> cargv;
        for (std::string& a : argv)
            cargv.push_back(a.data());
        cargv.push_back(nullptr);
        const std::string outPath = path("emu.out");

        int in[2];
        if (::pipe2(in, O_CLOEXEC) != 0)
            throw std::runtime_error("EmuProcess: pipe failed");
        const pid_t parent = ::getpid();
        const pid_t pid = ::fork();
        if (pid < 0) {
            ::close(in[0]);
            ::close(in[1]);
            throw std::runtime_error("EmuProcess: fork failed");
        }
        if (pid == 0) {
            // Only async-signal-safe calls from here to exec.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent)
                ::_exit(126);
            const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(in[0], STDIN_FILENO);
            if (out >= 0) {
                ::dup2(out, STDOUT_FILENO);
                ::dup2(out, STDERR_FILENO);
            }
            ::execv(cargv[0], cargv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        Stdin = in[1];
        Pid = pid;

        // Ready once the link names an existing terminal device.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            std::error_code ec;
            const auto target = std::filesystem::read_symlink(Link, ec);
            if (!ec && std::filesystem::exists(target, ec))
                return;
            int status = 0;
            if (::waitpid(Pid, &status, WNOHANG) == Pid) {
                Pid = -1;
                throw std::runtime_error("tonvera-emu ended at start: " + output());
            }
            if (std::chrono::steady_clock::now() > deadline) {
                stop();
                throw std::runtime_error("tonvera-emu made no link within 10 s: " + output());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // A line for the emulator's command reader ("input 0", "status", ...).
    void command(const std::string& line)
    {
        if (Stdin < 0)
            return;
        const std::string text = line + "\n";
        [[maybe_unused]] const auto n = ::write(Stdin, text.data(), text.size());
    }
    void setInput(bool level) { command(level ? "input 1" : "input 0"); }

    // What the emulator printed so far (standard output and error).
    std::string output() const
    {
        std::ifstream in(Dir + "/emu.out");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    bool running()
    {
        if (Pid <= 0)
            return false;
        int status = 0;
        if (::waitpid(Pid, &status, WNOHANG) == Pid) {
            Pid = -1;
            return false;
        }
        return true;
    }

    // SIGTERM, then SIGKILL if it does not go within 5 s; the link goes too.
    void stop()
    {
        if (Stdin >= 0) {
            ::close(Stdin);
            Stdin = -1;
        }
        if (Pid > 0) {
            ::kill(Pid, SIGTERM);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            int status = 0;
            while (::waitpid(Pid, &status, WNOHANG) == 0) {
                if (std::chrono::steady_clock::now() > deadline) {
                    ::kill(Pid, SIGKILL);
                    ::waitpid(Pid, &status, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            Pid = -1;
        }
        std::error_code ec;
        std::filesystem::remove(Link, ec);
    }

    // Waits (bounded) until pred() holds; for events, not for timing.
    static bool waitFor(const std::function<bool()>& pred, std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!pred()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

private:
    std::string Dir;
    std::string Link;
    pid_t Pid = -1;
    int Stdin = -1;
};

} // namespace tonvera::test
