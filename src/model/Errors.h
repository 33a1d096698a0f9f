// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One exception type aborts a command the program does not handle itself.
// It carries the German text the operator sees in the error box; the GUI has
// one guard that catches it, every other layer only throws.

#include <stdexcept>
#include <string>

namespace tonvera {

// A quoted piece of outside input, cut to `maxChars` characters with "…"
// so that a huge value does not become a huge message. Cuts only between
// UTF-8 characters.
[[nodiscard]] inline std::string QuotedInput(const std::string& text, std::size_t maxChars = 64)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (chars++ == maxChars)
            return text.substr(0, i) + "…";
    }
    return text;
}

// A file name in a message: cut only where it is beyond any real path, so
// that the operator still reads which file was meant, and a name of
// thousands of characters does not bury the message.
inline constexpr std::size_t MaxNameChars = 200;
[[nodiscard]] inline std::string QuotedName(const std::string& name) { return QuotedInput(name, MaxNameChars); }

class AbortError : public std::runtime_error {
public:
    explicit AbortError(const std::string& text) : std::runtime_error(text) {}
    [[nodiscard]] const std::string text() const { return what(); }
};

// "'%s' ist kein gültiger Gleitkommawert"
class ConvertError : public AbortError {
public:
    explicit ConvertError(const std::string& bad)
        : AbortError("'" + QuotedInput(bad) + "' ist kein gültiger Gleitkommawert")
    {
    }
};

// "'%s' ist kein gültiger Integerwert"
class IntConvertError : public AbortError {
public:
    explicit IntConvertError(const std::string& bad)
        : AbortError("'" + QuotedInput(bad) + "' ist kein gültiger Integerwert")
    {
    }
};

// "Listenindex überschreitet das Maximum (%d)"
class ListIndexError : public AbortError {
public:
    explicit ListIndexError(long index)
        : AbortError("Listenindex überschreitet das Maximum (" + std::to_string(index) + ")")
    {
    }
};

class RangeError : public AbortError {
public:
    RangeError() : AbortError("Fehler bei Bereichsprüfung") {}

protected:
    // A refusal that says more about itself.
    explicit RangeError(const std::string& text) : AbortError(text) {}
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

// The serial port went away under a command (hang-up, I/O error, device
// removed). The device object has closed it already.
class PortLostError : public AbortError {
public:
    PortLostError() : AbortError("Verbindung zum Gerät unterbrochen") {}
};

// A write made no progress for 5 s: the device takes no more bytes.
class LineStallError : public AbortError {
public:
    LineStallError() : AbortError("Übertragung abgebrochen: das Gerät nimmt seit 5 s keine Daten an") {}
};

// The operator broke off a long transfer between two of its blocks.
class TransferInterrupted : public AbortError {
public:
    TransferInterrupted() : AbortError("Übertragung abgebrochen") {}
};

// Packets the device did not answer: it did not receive them whole, so what
// it holds is not what was sent. The device has been stopped.
class UnconfirmedError : public AbortError {
public:
    UnconfirmedError(long long missing, long long sent)
        : AbortError("Das Gerät hat " + std::to_string(missing) + " von " + std::to_string(sent) +
                     " Befehlen nicht bestätigt"),
          Missing(missing), Sent(sent)
    {
    }
    long long Missing;
    long long Sent;
};

} // namespace tonvera
