#pragma once
// tonvera.Generator: the device on a serial port, driven by the same
// session as tonvera-cli play (MainCore, the window's commands and its
// 50 ms tick). One Generator keeps the port open between commands, so a
// script plays one project after another without setting the device up
// again, and tables already on the device are not sent again.

#include <pybind11/pybind11.h>

#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "ProjectObject.h"
#include "RunSession.h"
#include "model/Errors.h"

namespace tonvera::python {

namespace py = pybind11;

// No device answered on the port.
class DeviceNotFoundError : public AbortError {
public:
    using AbortError::AbortError;
};

// A run went beyond its time limit; the device was stopped.
class TimeLimitError : public AbortError {
public:
    using AbortError::AbortError;
};

struct PlayResult {
    bool overflow = false; // the device reported overflow during the run
    bool clamped = false;  // a calibrated level was limited to 0 dB
};

class Generator {
public:
    Generator(const std::string& port, const std::optional<std::string>& firmware, const py::handle& cal,
              ProjectObject* project, py::object progress);
    ~Generator();

    void download(ProjectObject& project);
    PlayResult play(ProjectObject& project, bool variablesFirst, std::optional<double> timeout, py::object onPosition);
    void start();
    void stop();
    int status();
    void gotoPosition(int position);
    int position();
    void close();
    bool isOpen() const { return Session != nullptr; }
    const std::string& port() const { return Port; }
    std::vector<std::string> messages() const;

private:
    cli::RunSession& session();
    // Puts the project into the session while the port is open: tables
    // that the device holds already are not sent again.
    void adopt(ProjectObject& project);
    // An aborted command of the session as the Python exception.
    [[noreturn]] void raiseLastError();

    std::string Port;
    std::ostringstream Out;
    std::ostringstream Err;
    std::unique_ptr<cli::RunSession> Session;
    py::object Progress;
    // An exception of a callback (or Ctrl-C seen in one), raised once the
    // device is stopped.
    std::optional<py::error_already_set> Pending;
};

} // namespace tonvera::python
