// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The experiment journal: one line for every presentation as it starts, one
// more when it ends, tab-separated with a header of column names, and "#"
// comment lines that name the program, the port, the project and the
// calibration with their SHA-256 at the top of each session.
//
// Each line goes out whole in one write to a file opened for appending, so
// a program killed in the middle of a run leaves a complete line for every
// presentation that started. The line of a start is flushed to the disk
// right after its start packet went out (never before: the journal must not
// delay the device); the line of an end only with the next start or the end
// of the run, since a start packet follows it at once.
//
// The columns follow the project (one per variable): a file whose header
// differs from this session's goes on in the next free "<name>-2.tsv",
// "<name>-3.tsv", ..., so that every file reads as one table.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "run/RunEvents.h"

namespace tonvera {

// "Protokoll %s kann nicht geschrieben werden: <reason>"
[[nodiscard]] std::string JournalFailedText(const std::string& path, int err);

class Journal : public RunListener {
public:
    // `path` is asked before each line, so a journal of one file per day
    // moves on at midnight. `report` is told once when the journal cannot
    // be written; the run goes on without it.
    Journal(std::function<std::string()> path, std::function<void(const std::string&)> report);
    ~Journal() override;
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // The port of the session comment.
    void setPort(const std::string& port) { Port = port; }
    // More "#" lines for the session comment (the order of the positions).
    void setSessionNotes(std::vector<std::string> notes) { Notes = std::move(notes); }
    // The file written last (empty before the first line).
    [[nodiscard]] const std::string& currentFile() const { return OpenPath; }

    void presentationStarted(const PresentationStarted& p) override;
    void presentationEnded(const PresentationEnded& e) override;
    void runEnded(const RunEnded& e) override;
    void fileEvent(const FileEvent& f) override;

private:
    // The line with its comment lines before it, in one write; true when
    // all of it is in the file.
    bool write(const std::vector<std::string>& variables, const std::string& line);
    bool openFor(const std::vector<std::string>& header);
    // `path` by value: it is often OpenPath, which this clears.
    void fail(std::string path, int err);
    void sync();
    void close();

    std::function<std::string()> PathNow;
    std::function<void(const std::string&)> Report;
    bool Reported = false;
    std::string Port;
    std::vector<std::string> Notes;
    std::optional<FileEvent> Project;
    std::optional<FileEvent> Calibration;
    // File events to name in the next session comment or after it.
    std::vector<std::string> Pending;
    // The order of the run whose first presentation is written next.
    std::string RunNote;
    bool SessionWritten = false;

    std::string WantedPath; // as asked last
    std::string OpenPath;   // the file open, perhaps a "-2" of the wanted one
    std::vector<std::string> Header;
    int Fd = -1;
    bool HeaderDue = false;
    bool Unsynced = false;
    // The variables of the last start, for the end line's empty columns.
    std::vector<std::string> LastVariables;
};

} // namespace tonvera
