// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the operator tells a running emulator: commands on standard input or
// a control FIFO, and signals (SIGUSR1/2 set the external input; SIGINT,
// SIGTERM and SIGHUP end it).

#include <string>
#include <vector>

#include "emu/Emulator.h"

namespace tonvera::emutool {

// The wall clock as the device model counts it.
emu::EmuTime Now();

// Installs the handlers; the signals arrive as bytes on SignalFd().
bool InstallSignals();
int SignalFd();

// Splits what arrives on a descriptor into lines.
class CommandReader {
public:
    explicit CommandReader(int fd) : Fd(fd) {}
    int fd() const { return Fd; }
    // Reads what is there; returns false at end of input.
    bool read(std::vector<std::string>& lines);

private:
    int Fd;
    std::string Buffer;
};

// Carries out one command line; returns false for "quit".
bool RunCommand(const std::string& raw, emu::Emulator& emu);

// Opens the control FIFO, making it when it is missing (`created` says so);
// -1 after a message when it cannot.
int OpenControl(const std::string& path, bool& created);

} // namespace tonvera::emutool
