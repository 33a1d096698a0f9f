// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/Journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>

#include "files/TextFile.h"
#include "model/Errors.h"
#include "model/SinusRecord.h"

#ifndef TONVERA_VERSION
#define TONVERA_VERSION "unbekannt"
#endif

namespace tonvera {

namespace {

constexpr std::array<const char*, 6> LeadColumns = {"zeit", "monoton_s", "lauf", "darbietung", "ereignis", "position"};
constexpr std::array<const char*, 6> GlobalColumns = {"signaldauer_ms",      "trigger_start_ms", "trigger_stop_ms",
                                                      "schlussdaempfung_db", "wiederholungen",   "unendlich"};
constexpr std::array<const char*, 9> SignalColumns = {
    "typ",      "frequenz_hz", "phase_grad", "daempfung_db", "daempfung_gesendet_db",
    "start_ms", "dach_ms",     "anstieg_ms", "abfall_ms"};
constexpr std::array<const char*, 3> EndColumns = {"ende", "ueberlauf", "eichung_begrenzt"};

// A cell never holds the journal's own separators.
std::string Cell(std::string text)
{
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return text;
}

// Numbers with ".", as short as they read back exactly.
std::string Number(double v)
{
    std::array<char, 32> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v);
    return std::string(buf.data(), r.ptr);
}

std::string Flag(bool b) { return b ? "1" : "0"; }

std::vector<std::string> HeaderFor(const std::vector<std::string>& variables)
{
    std::vector<std::string> h(LeadColumns.begin(), LeadColumns.end());
    for (const std::string& v : variables)
        h.push_back(Cell(v));
    h.insert(h.end(), GlobalColumns.begin(), GlobalColumns.end());
    for (int k = 0; k < SignalSlots; ++k)
        for (const char* c : SignalColumns)
            h.push_back("s" + std::to_string(k) + "_" + c);
    h.insert(h.end(), EndColumns.begin(), EndColumns.end());
    return h;
}

std::string Joined(const std::vector<std::string>& cells)
{
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i)
            line += '\t';
        line += cells[i];
    }
    return line + '\n';
}

// The first line of an existing file that is no comment: its header. Only
// a regular file is read (a device or a FIFO may never end), and only its
// beginning: comments are a few lines, the header one.
std::optional<std::string> ExistingHeader(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    for (int lines = 0; lines < 1000 && std::getline(in, line); ++lines)
        if (!line.empty() && line[0] != '#')
            return line + '\n';
    return std::nullopt;
}

std::string NthName(const std::string& path, int n)
{
    if (n == 1)
        return path;
    const std::filesystem::path p(path);
    return (p.parent_path() / (p.stem().string() + "-" + std::to_string(n) + p.extension().string())).string();
}

std::string FileLine(const char* what, const FileEvent& f)
{
    return std::string("# ") + what + "\t" + Cell(f.Path) + "\tSHA-256 " + f.Sha256 + "\n";
}

} // namespace

std::string JournalFailedText(const std::string& path, int err)
{
    return "Protokoll " + QuotedName(path) + " kann nicht geschrieben werden: " + SaveFailureReason(err);
}

Journal::Journal(std::function<std::string()> path, std::function<void(const std::string&)> report)
    : PathNow(std::move(path)), Report(std::move(report))
{
}

Journal::~Journal()
{
    sync();
    close();
}

void Journal::close()
{
    if (Fd >= 0)
        ::close(Fd);
    Fd = -1;
}

void Journal::fail(std::string path, int err)
{
    close();
    OpenPath.clear();
    WantedPath.clear();
    if (Reported || !Report)
        return;
    Reported = true;
    Report(JournalFailedText(path, err));
}

void Journal::sync()
{
    if (Fd >= 0 && Unsynced && ::fdatasync(Fd) != 0)
        fail(OpenPath, errno);
    Unsynced = false;
}

bool Journal::openFor(const std::vector<std::string>& header)
{
    const std::string wanted = PathNow();
    if (Fd >= 0 && wanted == WantedPath && header == Header)
        return true;
    sync();
    close();
    SessionWritten = false;
    WantedPath = wanted;
    Header = header;
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(wanted).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    const std::string headerLine = Joined(header);
    for (int n = 1;; ++n) {
        const std::string candidate = NthName(wanted, n);
        const auto existing = ExistingHeader(candidate);
        if (existing && *existing != headerLine)
            continue;
        Fd = ::open(candidate.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (Fd < 0) {
            fail(candidate, errno);
            return false;
        }
        OpenPath = candidate;
        HeaderDue = !existing;
        return true;
    }
}

bool Journal::write(const std::vector<std::string>& variables, const std::string& line)
{
    if (!openFor(HeaderFor(variables)))
        return false;
    std::string text;
    if (!SessionWritten) {
        text += "# Tonvera " TONVERA_VERSION "\n";
        if (!Port.empty())
            text += "# Port\t" + Cell(Port) + "\n";
        text += Project ? FileLine("Projekt", *Project) : "# Projekt\tkeines\n";
        text += Calibration ? FileLine("Kalibrierung", *Calibration) : "# Kalibrierung\tkeine\n";
        for (const std::string& n : Notes)
            text += "# " + Cell(n) + "\n";
        Pending.clear();
        SessionWritten = true;
    }
    for (const std::string& p : Pending)
        text += p;
    Pending.clear();
    text += RunNote;
    RunNote.clear();
    if (HeaderDue)
        text += Joined(Header);
    text += line;

    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(Fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail(OpenPath, n < 0 ? errno : ENOSPC);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    HeaderDue = false;
    Unsynced = true;
    return true;
}

void Journal::presentationStarted(const PresentationStarted& p)
{
    std::vector<std::string> names;
    std::vector<std::string> cells = {
        p.At.Wall, Number(p.At.Monotonic),    std::to_string(p.Run), std::to_string(p.Number),
        "start",   std::to_string(p.Position)};
    for (const auto& [name, value] : p.Variables) {
        names.push_back(name);
        cells.push_back(Cell(value));
    }
    const GlobalsSent& g = p.Globals;
    for (const std::string& c : {Number(g.LengthMs), Number(g.TriggerStartMs), Number(g.TriggerStopMs),
                                 Number(g.EndDampDb), std::to_string(g.Repetitions), Flag(g.Endless)})
        cells.push_back(c);
    bool clamped = false;
    for (int k = 0; k < SignalSlots; ++k) {
        const SignalSent* s = nullptr;
        for (const SignalSent& x : p.Signals)
            if (x.Slot == k)
                s = &x;
        if (!s) {
            cells.insert(cells.end(), SignalColumns.size(), "");
            continue;
        }
        clamped = clamped || s->Clamped;
        for (const std::string& c : {std::string(SignalTypeName(s->Type)), Number(s->FreqHz), Number(s->Phase),
                                     Number(s->AttenuationRequested), Number(s->AttenuationSent), Number(s->StartMs),
                                     Number(s->PlateauMs), Number(s->RiseMs), Number(s->FallMs)})
            cells.push_back(c);
    }
    cells.insert(cells.end(), {"", "", Flag(clamped)});
    LastVariables = names;
    // Each run names its order, and the seed a random one was drawn with.
    if (p.Number == 1 && !p.Order.empty())
        RunNote = "# Lauf " + std::to_string(p.Run) + "\t" + Cell(p.Order) + "\n";
    if (write(names, Joined(cells)))
        sync();
}

void Journal::presentationEnded(const PresentationEnded& e)
{
    std::vector<std::string> cells = {
        e.At.Wall, Number(e.At.Monotonic),    std::to_string(e.Run), std::to_string(e.Number),
        "ende",    std::to_string(e.Position)};
    const std::size_t blanks = LastVariables.size() + GlobalColumns.size() + SignalSlots * SignalColumns.size();
    cells.insert(cells.end(), blanks, "");
    cells.insert(cells.end(), {EndReasonName(e.Reason), Flag(e.Overflow), Flag(e.Clamped)});
    // A start packet follows at once: the flush waits for its line.
    write(LastVariables, Joined(cells));
}

void Journal::runEnded(const RunEnded& e)
{
    if (e.Reason == EndReason::Aborted && Fd >= 0 && !e.Message.empty())
        Pending.push_back("# Lauf " + std::to_string(e.Run) + " abgebrochen: " + Cell(e.Message) + "\n");
    sync();
}

void Journal::fileEvent(const FileEvent& f)
{
    const bool project = f.What == FileEvent::Kind::Project;
    (project ? Project : Calibration) = f;
    if (SessionWritten) {
        const char* what =
            project ? (f.Done == FileEvent::Action::Loaded ? "Projekt geladen" : "Projekt gespeichert")
                    : (f.Done == FileEvent::Action::Loaded ? "Kalibrierung geladen" : "Kalibrierung gespeichert");
        Pending.push_back(FileLine(what, f));
    }
}

} // namespace tonvera
