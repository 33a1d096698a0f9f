// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The module's own kinds of an aborted command, beside the core's
// AbortError (tonvera.Error), so that a script can tell them apart with
// `except` instead of reading the German text.

#include <pybind11/pybind11.h>

#include "model/Errors.h"

namespace tonvera::python {

namespace py = pybind11;

// No device answered on the port (tonvera.DeviceNotFound).
class DeviceNotFoundError : public AbortError {
public:
    using AbortError::AbortError;
};

// The port is held by another program (tonvera.DeviceBusy, a kind of
// DeviceNotFound, so scripts that catch that one still do).
class DeviceBusyError : public DeviceNotFoundError {
public:
    using DeviceNotFoundError::DeviceNotFoundError;
};

// A run went beyond its time limit; the device was stopped (tonvera.TimeLimit).
class TimeLimitError : public AbortError {
public:
    using AbortError::AbortError;
};

// A file the script named is not there (tonvera.FileNotFound, which is
// both tonvera.Error and Python's FileNotFoundError).
class FileMissingError : public FileError {
public:
    using FileError::FileError;
};

// The exception classes of the module and the translation of the C++
// errors into them.
void RegisterErrors(py::module_& m);

} // namespace tonvera::python
