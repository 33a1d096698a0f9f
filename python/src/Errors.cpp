// SPDX-License-Identifier: GPL-3.0-or-later
#include "Errors.h"

#include <cerrno>

namespace tonvera::python {

namespace {

// The classes live as long as the interpreter; they are never released, so
// nothing touches them after it has finalised.
PyObject* NewError(py::module_& m, const char* name, PyObject* bases, const char* doc)
{
    const std::string full = m.attr("__name__").cast<std::string>() + "." + name;
    PyObject* type = PyErr_NewExceptionWithDoc(full.c_str(), doc, bases, nullptr);
    if (!type)
        throw py::error_already_set();
    m.add_object(name, py::handle(type));
    return type;
}

PyObject* ErrorType = nullptr;
PyObject* NotFoundType = nullptr;
PyObject* BusyType = nullptr;
PyObject* TimeLimitType = nullptr;
PyObject* FileMissingType = nullptr;

} // namespace

void RegisterErrors(py::module_& m)
{
    ErrorType = NewError(m, "Error", PyExc_Exception,
                         "An aborted command of the program; its text is the program's own (German) message.");
    NotFoundType = NewError(m, "DeviceNotFound", ErrorType,
                            "No device answered on the port, or the port could not be opened "
                            "(\"Hardware nicht gefunden (PORT)\").");
    BusyType = NewError(m, "DeviceBusy", NotFoundType,
                        "The port is held by another program "
                        "(\"Anschluss PORT kann nicht geöffnet werden: belegt\").");
    TimeLimitType = NewError(m, "TimeLimit", ErrorType, "A run went beyond its time limit; the device was stopped.");
    const py::tuple bases = py::make_tuple(py::handle(ErrorType), py::handle(PyExc_FileNotFoundError));
    FileMissingType = NewError(m, "FileNotFound", bases.ptr(),
                               "A file that was named is not there: both tonvera.Error and FileNotFoundError "
                               "(errno ENOENT); the text is the program's message.");

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const DeviceBusyError& e) {
            PyErr_SetString(BusyType, e.what());
        } catch (const DeviceNotFoundError& e) {
            PyErr_SetString(NotFoundType, e.what());
        } catch (const TimeLimitError& e) {
            PyErr_SetString(TimeLimitType, e.what());
        } catch (const FileMissingError& e) {
            // One argument, so that str() is the program's message alone; the
            // errno is there for code that looks at it as an OSError.
            py::object error = py::reinterpret_borrow<py::object>(FileMissingType)(e.what());
            error.attr("errno") = ENOENT;
            PyErr_SetObject(FileMissingType, error.ptr());
        } catch (const AbortError& e) {
            PyErr_SetString(ErrorType, e.what());
        }
    });
}

} // namespace tonvera::python
