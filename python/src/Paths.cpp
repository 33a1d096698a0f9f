// SPDX-License-Identifier: GPL-3.0-or-later
#include "Paths.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace tonvera::python {

std::string PathOf(const py::handle& path)
{
    PyObject* fs = PyOS_FSPath(path.ptr());
    if (!fs)
        throw py::error_already_set();
    const py::object text = py::reinterpret_steal<py::object>(fs);
    // Text as the file system encodes it, so a name that is not valid UTF-8
    // (surrogate-escaped by Python) names the same file again.
    py::object bytes = text;
    if (PyUnicode_Check(fs)) {
        bytes = py::reinterpret_steal<py::object>(PyUnicode_EncodeFSDefault(fs));
        if (!bytes)
            throw py::error_already_set();
    }
    std::string out = bytes.cast<std::string>();
    if (out.find('\0') != std::string::npos)
        throw py::value_error("embedded null byte");
    return out;
}

bool IsMissing(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

bool FolderIsMissing(const std::string& path)
{
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return IsMissing(folder.empty() ? std::string(".") : folder.string());
}

} // namespace tonvera::python
