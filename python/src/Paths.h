// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Paths handed in by a script (files and ports): a str, bytes or any
// os.PathLike. A NUL inside one would end it early in the system calls, so
// another file would be opened than the one named ('a.tva\0x' opened
// a.tva); it is refused with ValueError, as Python's own open() does.
//
// A file that is not there is told apart from one that cannot be read:
// the program's message stays the text, the error is tonvera.FileNotFound.

#include <pybind11/pybind11.h>

#include <string>

#include "Errors.h"

namespace tonvera::python {

namespace py = pybind11;

struct PathText {
    std::string value;
};

// The path as the system takes it; TypeError for what is no path,
// ValueError for a path with a NUL.
[[nodiscard]] std::string PathOf(const py::handle& path);

// True when the path names nothing (not even a dangling link's target).
[[nodiscard]] bool IsMissing(const std::string& path);
// True when the folder a new file would be written into is not there.
[[nodiscard]] bool FolderIsMissing(const std::string& path);

// Runs a read of `path`; its file error becomes FileMissingError when the
// file is not there.
template <typename F>
decltype(auto) ReadingFile(const std::string& path, F&& read)
{
    try {
        return read();
    } catch (const FileMissingError&) {
        throw;
    } catch (const FileError& e) {
        if (IsMissing(path))
            throw FileMissingError(e.text());
        throw;
    }
}

// The same for a write: the folder it goes into is not there.
template <typename F>
void WritingFile(const std::string& path, F&& write)
{
    try {
        write();
    } catch (const FileError& e) {
        if (FolderIsMissing(path))
            throw FileMissingError(e.text());
        throw;
    }
}

} // namespace tonvera::python

namespace pybind11::detail {

template <>
struct type_caster<tonvera::python::PathText> {
    PYBIND11_TYPE_CASTER(tonvera::python::PathText, const_name("os.PathLike | str"));

    bool load(handle src, bool)
    {
        // Anything else is no path: pybind11 reports the signature.
        if (!PyUnicode_Check(src.ptr()) && !PyBytes_Check(src.ptr()) &&
            !PyObject_HasAttrString(src.ptr(), "__fspath__"))
            return false;
        value.value = tonvera::python::PathOf(src);
        return true;
    }
    static handle cast(const tonvera::python::PathText& p, return_value_policy, handle)
    {
        return PyUnicode_DecodeFSDefaultAndSize(p.value.data(), static_cast<Py_ssize_t>(p.value.size()));
    }
};

} // namespace pybind11::detail
