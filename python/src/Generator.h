// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// tonvera.Generator: the device on a serial port, driven by the same
// session as tonvera-cli play (MainCore, the window's commands and its
// 50 ms tick). One Generator keeps the port open between commands, so a
// script plays one project after another without setting the device up
// again, and tables already on the device are not sent again.

#include <pybind11/pybind11.h>

#include <memory>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Errors.h"
#include "ProjectObject.h"
#include "RunSession.h"
#include "run/Journal.h"

namespace tonvera::python {

namespace py = pybind11;

// One presentation of a run: what went to the device as it started, and
// how it ended (nothing when the run was left before its end was told).
struct Presentation {
    PresentationStarted Started;
    std::optional<PresentationEnded> Ended;
};

struct PlayResult {
    bool overflow = false; // the device reported overflow during the run
    bool clamped = false;  // a calibrated level was limited to 0 dB
    // The seed of a random order through the positions, typed or drawn.
    std::optional<std::uint64_t> seed;
    std::vector<Presentation> presentations;
};

class Generator {
public:
    // journal: a file the experiment journal is appended to while this
    // Generator lives.
    Generator(const std::string& port, const std::optional<std::string>& firmware, const py::handle& cal,
              ProjectObject* project, py::object progress, const std::optional<std::string>& journal);
    ~Generator();

    void download(ProjectObject& project);
    // order and seed: as Project.order and Project.seed, for this run only;
    // None keeps the project's.
    PlayResult play(ProjectObject& project, bool variablesFirst, std::optional<double> timeout, py::object onPosition,
                    const py::handle& order, const py::handle& seed);
    void start();
    void stop();
    int status();
    void gotoPosition(int position);
    int position() const;
    void close();
    bool isOpen() const { return Session != nullptr; }
    const std::string& port() const { return Port; }
    std::vector<std::string> messages() const;
    // The session on the open port, for tonvera.calibrate (Error when closed).
    cli::RunSession& openSession() { return session(); }

private:
    cli::RunSession& session();
    // Puts the project into the session while the port is open: tables
    // that the device holds already are not sent again.
    void adopt(ProjectObject& project);
    // An aborted command of the session as the Python exception.
    [[noreturn]] void raiseLastError();
    // Asked by the device between two blocks of an upload: Ctrl-C (seen
    // only with the GIL) or a callback's exception breaks it off.
    bool interruptRequested();
    // Runs a device command without the GIL; a transfer broken off for
    // Pending ends in raisePending.
    template <typename F>
    void deviceCommand(F&& command);
    // Raises what is pending, once the device is stopped after a transfer
    // that was broken off.
    void raisePending();
    // The journal's one report that it cannot be written, as a warning.
    void journalFailed(const std::string& text);

    std::string Port;
    std::ostringstream Out;
    std::ostringstream Err;
    std::unique_ptr<cli::RunSession> Session;
    // Listens to the session's core; taken off it before the core goes.
    std::unique_ptr<Journal> Log;
    py::object Progress;
    // An exception of a callback (or Ctrl-C seen in one), raised once the
    // device is stopped.
    std::optional<py::error_already_set> Pending;
    // The device broke a transfer off for Pending; it may hold part of a
    // table and is stopped before the script hears of it.
    bool TransferBroken = false;
    // A project went to the device (project=, download or play): goto
    // steps through its positions.
    bool HasProject = false;
};

} // namespace tonvera::python
