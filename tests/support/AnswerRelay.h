// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A line between the program and the emulator that can stop passing the
// device's answers while it still passes the program's bytes: the device
// plays on, but the program hears nothing. The program opens link(), a
// pseudo-terminal of the relay's own; a thread copies bytes both ways.
//
//   AnswerRelay relay(emu.link());
//   line.open(relay.link());
//   relay.muteAnswers();

#include <atomic>
#include <chrono>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace tonvera::test {

class AnswerRelay {
public:
    AnswerRelay(const std::string& deviceLink, const std::string& ownLink) : Link(ownLink)
    {
        Device = ::open(deviceLink.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (Device < 0 || Master < 0 || ::grantpt(Master) != 0 || ::unlockpt(Master) != 0) {
            closeAll();
            throw std::runtime_error("AnswerRelay: cannot open the terminals");
        }
        Raw(Device);
        const std::string slave = ::ptsname(Master);
        std::error_code ec;
        std::filesystem::remove(Link, ec);
        std::filesystem::create_symlink(slave, Link);
        Worker = std::thread([this] { pump(); });
    }
    ~AnswerRelay()
    {
        Done = true;
        Worker.join();
        std::error_code ec;
        std::filesystem::remove(Link, ec);
        closeAll();
    }
    AnswerRelay(const AnswerRelay&) = delete;
    AnswerRelay& operator=(const AnswerRelay&) = delete;

    const std::string& link() const { return Link; }
    void muteAnswers() { Muted = true; }
    void passAnswers() { Muted = false; }
    // Bytes the program wrote that reached the device.
    [[nodiscard]] long passed() const { return Passed; }

private:
    static void Raw(int fd)
    {
        termios t{};
        if (fd >= 0 && ::tcgetattr(fd, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(fd, TCSANOW, &t);
        }
    }

    void pump()
    {
        char buf[4096];
        while (!Done) {
            pollfd fds[2] = {{Master, POLLIN, 0}, {Device, POLLIN, 0}};
            if (::poll(fds, 2, 5) <= 0)
                continue;
            // Until the program opens its side, and after it closed it, the
            // master reports a hang-up; that is no reason to stop.
            // An emulator that ended hangs up its side too.
            const auto hungUp = [](const pollfd& f) {
                return (f.revents & (POLLHUP | POLLERR)) && !(f.revents & POLLIN);
            };
            if (hungUp(fds[0]) || hungUp(fds[1]))
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (fds[0].revents & POLLIN) {
                const ssize_t n = ::read(Master, buf, sizeof buf);
                if (n > 0) {
                    WriteAll(Device, buf, n);
                    Passed += n;
                }
            }
            if (fds[1].revents & POLLIN) {
                const ssize_t n = ::read(Device, buf, sizeof buf);
                if (n > 0 && !Muted)
                    WriteAll(Master, buf, n);
            }
        }
    }

    void WriteAll(int fd, const char* data, ssize_t n)
    {
        for (ssize_t done = 0; done < n && !Done;) {
            const ssize_t w = ::write(fd, data + done, static_cast<std::size_t>(n - done));
            if (w > 0)
                done += w;
            else if (w < 0 && errno != EAGAIN && errno != EINTR)
                return;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    void closeAll()
    {
        for (int* fd : {&Device, &Master})
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
    }

    std::string Link;
    int Device = -1;
    int Master = -1;
    std::atomic<bool> Done{false};
    std::atomic<bool> Muted{false};
    std::atomic<long> Passed{0};
    std::thread Worker;
};

} // namespace tonvera::test
