#pragma once
// One exception type aborts a command the program does not handle itself.
// It carries the German text the operator sees in the error box; the GUI has
// one guard that catches it, every other layer only throws.

#include <stdexcept>
#include <string>

namespace tonvera {

class AbortError : public std::runtime_error {
public:
    explicit AbortError(const std::string& text) : std::runtime_error(text) {}
    const std::string text() const { return what(); }
};

// "'%s' ist kein gültiger Gleitkommawert"
class ConvertError : public AbortError {
public:
    explicit ConvertError(const std::string& bad)
        : AbortError("'" + bad + "' ist kein gültiger Gleitkommawert") {}
};

// "'%s' ist kein gültiger Integerwert"
class IntConvertError : public AbortError {
public:
    explicit IntConvertError(const std::string& bad)
        : AbortError("'" + bad + "' ist kein gültiger Integerwert") {}
};

// "Listenindex überschreitet das Maximum (%d)"
class ListIndexError : public AbortError {
public:
    explicit ListIndexError(long index)
        : AbortError("Listenindex überschreitet das Maximum (" + std::to_string(index) + ")") {}
};

class RangeError : public AbortError {
public:
    RangeError() : AbortError("Fehler bei Bereichsprüfung") {}
};

class DivByZeroError : public AbortError {
public:
    DivByZeroError() : AbortError("Gleitkommadivision durch Null") {}
};

// File errors carry their own full text ("Datei %s kann nicht erstellt werden", ...).
class FileError : public AbortError {
public:
    explicit FileError(const std::string& text) : AbortError(text) {}
};

} // namespace tonvera
