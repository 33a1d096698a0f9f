// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial ports this machine has, each with what it is, read from the
// kernel's device tree (/sys/class/tty) and udev's stable links
// (/dev/serial/by-id). Both are plain files, so the lister takes the folder
// they hang from: "/" on a real system, a folder laid out the same way in
// tests. No udev library is needed.
//
// Whether the user may open a port is decided from the device file's owner,
// group and mode, so the German text that names the group to join can be
// built from those facts alone.

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tonvera {

struct SerialPortInfo {
    // What to open: the stable /dev/serial/by-id/... link for a USB adapter
    // (it survives replugging and tells two adapters of one model apart),
    // otherwise the device itself.
    std::string path;
    std::string device;      // /dev/ttyUSB0
    std::string description; // "FTDI FT232R USB UART, Seriennummer A1B2C3"
    // From the USB device the port belongs to; empty for other ports.
    std::string vendorId, productId, manufacturer, product, serial;
};

// Every serial port under root, in the order ttyACM0, ttyS4, ttyUSB0,
// ttyUSB2, ttyUSB10 (by kind, then by number). Paths are given as the
// system sees them ("/dev/..."), whatever root is. Consoles, pseudo-terminals
// and the unused placeholders of the built-in UART driver are left out.
[[nodiscard]] std::vector<SerialPortInfo> DiscoverSerialPorts(const std::filesystem::path& root = "/");

// Where ./scripts/run starts the emulator: $XDG_RUNTIME_DIR/tonvera-emu, or
// /tmp/tonvera-emu without a runtime folder.
std::filesystem::path EmulatorLink();

// The ports worth offering: every serial port under root, then the
// emulator's link while one is running there.
[[nodiscard]] std::vector<SerialPortInfo> AvailablePorts(const std::filesystem::path& root,
                                                         const std::filesystem::path& emulatorLink);

// The list as tonvera-cli ports prints it: one port a line, the path, then
// what it is; or a JSON array of objects with every field.
[[nodiscard]] std::string PortListText(const std::vector<SerialPortInfo>& ports);
[[nodiscard]] std::string PortListJson(const std::vector<SerialPortInfo>& ports);

// The owner, group and mode of a device file and who asks.
struct PortAccessFacts {
    uid_t fileUid = 0;
    gid_t fileGid = 0;
    mode_t mode = 0;
    uid_t userUid = 0;
    std::vector<gid_t> userGroups; // primary group first
    std::string groupName;         // name of fileGid; empty when unknown
};

// Empty when the user may read and write the port; otherwise what the user
// must do, in German, naming the group that owns the device file.
[[nodiscard]] std::optional<std::string> PortPermissionHint(const PortAccessFacts& facts);
// "Keine Berechtigung für <path>: " and the hint.
[[nodiscard]] std::optional<std::string> PortPermissionProblem(const std::string& path, const PortAccessFacts& facts);
// The facts of a file the running process may not read and write; empty
// when it may, or when the file does not exist (that is another failure).
[[nodiscard]] std::optional<PortAccessFacts> PortAccessDenied(const std::string& path);

// The same for the running process and the file as it is now. Empty also
// when the file does not exist (that is another failure).
[[nodiscard]] std::optional<std::string> PortPermissionProblem(const std::string& path);

} // namespace tonvera
