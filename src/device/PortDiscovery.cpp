// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/PortDiscovery.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tonvera {

namespace fs = std::filesystem;

namespace {

// First line of a sysfs attribute, without trailing blanks; empty when the
// file is missing.
std::string ReadAttribute(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line))
        return {};
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t'))
        line.pop_back();
    return line;
}

fs::path Canonical(const fs::path& p)
{
    std::error_code ec;
    fs::path c = fs::canonical(p, ec);
    return ec ? fs::path() : c;
}

bool IsUnder(const fs::path& p, const fs::path& dir)
{
    auto [d, q] = std::mismatch(dir.begin(), dir.end(), p.begin(), p.end());
    return d == dir.end();
}

// ttyUSB10 sorts after ttyUSB2: by the letters, then by the number.
std::pair<std::string, long> SortKey(const std::string& name)
{
    const auto digits = name.find_last_not_of("0123456789") + 1;
    const std::string number = name.substr(digits, 9);
    return {name.substr(0, digits), number.empty() ? -1L : std::stol(number)};
}

bool IsPlaceholderUart(const fs::path& deviceDir)
{
    for (const auto& part : deviceDir)
        if (part == "serial8250")
            return true;
    return false;
}

// The USB device (the folder with idVendor) a port belongs to: the port's
// own device folder for CDC devices is the interface, for adapters driven
// by usb-serial the interface is one folder further up.
fs::path UsbDeviceOf(const fs::path& deviceDir, const fs::path& sysRoot)
{
    std::error_code ec;
    for (fs::path d = deviceDir; !d.empty() && IsUnder(d, sysRoot) && d != sysRoot; d = d.parent_path()) {
        if (fs::exists(d / "idVendor", ec))
            return d;
        if (d == d.parent_path())
            break;
    }
    return {};
}

std::string UsbDescription(const SerialPortInfo& p)
{
    std::string text = p.manufacturer;
    // Many adapters repeat the maker in the product name.
    if (!text.empty() && p.product.starts_with(text))
        text = p.product;
    else if (!p.product.empty())
        text += (text.empty() ? "" : " ") + p.product;
    if (text.empty())
        text = "USB-Gerät";
    if (!p.serial.empty())
        text += ", Seriennummer " + p.serial;
    if (!p.vendorId.empty())
        text += " (USB " + p.vendorId + ":" + p.productId + ")";
    return text;
}

std::string BuiltInDescription(const std::string& name)
{
    std::string text = "Serielle Schnittstelle";
    if (name.starts_with("ttyS")) {
        const long n = SortKey(name).second;
        if (n >= 0 && n < 4)
            text += " (COM" + std::to_string(n + 1) + ":)";
    }
    return text;
}

// /dev/serial/by-id/<link> for each device name the links point at.
std::vector<std::pair<std::string, std::string>> ByIdLinks(const fs::path& root)
{
    std::vector<std::pair<std::string, std::string>> out; // device name, link name
    const fs::path dir = root / "dev/serial/by-id";
    const fs::path devDir = (root / "dev").lexically_normal();
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code lec;
        const fs::path target = fs::read_symlink(it->path(), lec);
        if (lec)
            continue;
        // udev writes ../../ttyUSB0; an absolute target is read inside root.
        const fs::path resolved =
            (target.is_absolute() ? root / target.relative_path() : dir / target).lexically_normal();
        if (resolved.parent_path() == devDir)
            out.emplace_back(resolved.filename().string(), it->path().filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

std::vector<SerialPortInfo> DiscoverSerialPorts(const fs::path& root)
{
    const fs::path sysRoot = Canonical(root / "sys");
    const fs::path ttyDir = root / "sys/class/tty";
    const auto links = ByIdLinks(root);

    std::vector<std::pair<std::string, SerialPortInfo>> found;
    std::error_code ec;
    for (fs::directory_iterator it(ttyDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // Consoles and pseudo-terminals have no device behind them.
        const fs::path deviceDir = Canonical(it->path() / "device");
        if (deviceDir.empty())
            continue;
        // The built-in UART driver registers a row of ttyS ports whether or
        // not a chip is there; those hang from its own platform device,
        // ports the firmware or a card announces from PNP, PCI or the like.
        // ("COM1:".."COM4:" still name the first four either way.)
        if (name.starts_with("ttyS") && IsPlaceholderUart(deviceDir))
            continue;

        SerialPortInfo p;
        p.device = "/dev/" + name;
        p.path = p.device;
        if (const fs::path usb = sysRoot.empty() ? fs::path() : UsbDeviceOf(deviceDir, sysRoot); !usb.empty()) {
            p.vendorId = ReadAttribute(usb / "idVendor");
            p.productId = ReadAttribute(usb / "idProduct");
            p.manufacturer = ReadAttribute(usb / "manufacturer");
            p.product = ReadAttribute(usb / "product");
            p.serial = ReadAttribute(usb / "serial");
            p.description = UsbDescription(p);
        } else {
            p.description = BuiltInDescription(name);
        }
        const auto link = std::lower_bound(links.begin(), links.end(), std::make_pair(name, std::string()));
        if (link != links.end() && link->first == name)
            p.path = "/dev/serial/by-id/" + link->second;
        found.emplace_back(name, std::move(p));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return SortKey(a.first) < SortKey(b.first); });
    std::vector<SerialPortInfo> out;
    out.reserve(found.size());
    for (auto& f : found)
        out.push_back(std::move(f.second));
    return out;
}

fs::path EmulatorLink()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const fs::path dir = (runtime && *runtime) ? runtime : "/tmp";
    return dir / "tonvera-emu";
}

std::vector<SerialPortInfo> AvailablePorts(const fs::path& root, const fs::path& emulatorLink)
{
    std::vector<SerialPortInfo> ports = DiscoverSerialPorts(root);
    std::error_code ec;
    if (!emulatorLink.empty() && fs::exists(emulatorLink, ec)) {
        SerialPortInfo emu;
        emu.path = emu.device = emulatorLink.string();
        emu.description = "Geräteemulator tonvera-emu";
        ports.push_back(std::move(emu));
    }
    return ports;
}

std::string PortListText(const std::vector<SerialPortInfo>& ports)
{
    std::size_t width = 0;
    for (const auto& p : ports)
        width = std::max(width, p.path.size());
    std::string out;
    for (const auto& p : ports)
        out += p.path + std::string(width - p.path.size() + 2, ' ') + p.description + '\n';
    return out;
}

std::string PortListJson(const std::vector<SerialPortInfo>& ports)
{
    auto quoted = [](const std::string& s) {
        std::string q = "\"";
        for (const char c : s) {
            const auto u = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                q += '\\';
                q += c;
            } else if (u < 0x20) {
                static const char hex[] = "0123456789abcdef";
                q += "\\u00";
                q += hex[u >> 4];
                q += hex[u & 15];
            } else {
                q += c; // UTF-8 passes as it is
            }
        }
        return q + '"';
    };
    std::string out = "[";
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const SerialPortInfo& p = ports[i];
        out += i ? ",\n  {" : "\n  {";
        const std::pair<const char*, const std::string*> fields[] = {
            {"path", &p.path},         {"device", &p.device},       {"description", &p.description},
            {"vendorId", &p.vendorId}, {"productId", &p.productId}, {"manufacturer", &p.manufacturer},
            {"product", &p.product},   {"serial", &p.serial}};
        bool first = true;
        for (const auto& [key, value] : fields) {
            out += (first ? "\"" : ", \"") + std::string(key) + "\": " + quoted(*value);
            first = false;
        }
        out += '}';
    }
    return out + (ports.empty() ? "]\n" : "\n]\n");
}

std::optional<std::string> PortPermissionHint(const PortAccessFacts& f)
{
    if (f.userUid == 0)
        return std::nullopt;
    const bool inGroup = std::find(f.userGroups.begin(), f.userGroups.end(), f.fileGid) != f.userGroups.end();
    const mode_t bits = f.userUid == f.fileUid ? (f.mode >> 6) : inGroup ? (f.mode >> 3) : f.mode;
    if ((bits & 06) == 06)
        return std::nullopt;

    const std::string group = f.groupName.empty() ? std::to_string(f.fileGid) : f.groupName;
    // Joining the group helps only when the group may read and write.
    if (!inGroup && ((f.mode >> 3) & 06) == 06)
        return "der Benutzer muss der Gruppe " + group + " angehören (sudo adduser $USER " + group +
               ", danach neu anmelden)";
    return "die Gerätedatei (Gruppe " + group + ") ist für diesen Benutzer nicht zum Lesen und Schreiben freigegeben";
}

std::optional<std::string> PortPermissionProblem(const std::string& path, const PortAccessFacts& f)
{
    if (auto hint = PortPermissionHint(f))
        return "Keine Berechtigung für " + path + ": " + *hint;
    return std::nullopt;
}

std::optional<PortAccessFacts> PortAccessDenied(const std::string& path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    // The kernel's own answer also covers access lists.
    if (::faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) == 0 || errno != EACCES)
        return std::nullopt;

    PortAccessFacts f;
    f.fileUid = st.st_uid;
    f.fileGid = st.st_gid;
    f.mode = st.st_mode;
    f.userUid = ::geteuid();
    f.userGroups.push_back(::getegid());
    if (const int n = ::getgroups(0, nullptr); n > 0) {
        std::vector<gid_t> more(static_cast<std::size_t>(n));
        if (::getgroups(n, more.data()) == n)
            f.userGroups.insert(f.userGroups.end(), more.begin(), more.end());
    }
    group gr{};
    group* result = nullptr;
    std::vector<char> buf(16384);
    if (::getgrgid_r(st.st_gid, &gr, buf.data(), buf.size(), &result) == 0 && result)
        f.groupName = result->gr_name;
    return f;
}

std::optional<std::string> PortPermissionProblem(const std::string& path)
{
    const auto facts = PortAccessDenied(path);
    if (!facts)
        return std::nullopt;
    if (auto text = PortPermissionProblem(path, *facts))
        return text;
    return "Keine Berechtigung für " + path;
}

} // namespace tonvera
