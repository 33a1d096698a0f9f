// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's file commands: save and load a project, save and load
// the calibration table, each through the operator's file dialogs.
//
// A load reads and parses the whole file against a copy of the working
// state; only when that succeeded does the copy replace the working state.
// A save writes a temporary file and renames it over the old one only when
// everything is on the disk. Either way a failure leaves the state and the
// files as they were and aborts the command with its message.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "files/FileEvent.h"
#include "files/ProjectFile.h"
#include "files/ProjectLoadHooks.h"
#include "model/MainForm.h"

namespace tonvera {

// The file dialogs' fixed properties.
struct FileDialogSetup {
    const char* filter;
    const char* defaultExt;
    const char* fileName;
};
inline constexpr FileDialogSetup SaveFileSetup{"Tonvera Dateien (*.tva)| *.tva|Alle Dateien (*.*)|*.*", "*.tva",
                                               "default.tva"};
inline constexpr FileDialogSetup OpenFileSetup{"Tonvera Dateien (*.tva)|*.tva|Alle Dateien (*.*)|*.*", "*.tva",
                                               "default.tva"};
inline constexpr FileDialogSetup SaveDialog2Setup{"Kalibrierdaten|*.cal|Alle Dateien|*.*", "*.cal", "Default.cal"};
inline constexpr FileDialogSetup OpenDialog2Setup{"Kalibrierdaten|*.cal|Alle Dateien|*.*", ".cal", "Default.cal"};

class FileCommands {
public:
    FileCommands(MainForm& form, ProjectLoadHooks& hooks) : Form(form), Hooks(hooks) {}

    // The decimal separator of numbers in project files (TabPara) and the
    // one a calibration file's numbers may use besides the point.
    char DecimalSeparator = ',';

    // The names the four dialogs propose next. A dialog remembers the name
    // the operator confirmed; a successful project load also puts its name
    // into the save dialog, so the next save proposes the loaded file.
    std::string SaveFileName = SaveFileSetup.fileName;
    std::string OpenFileName = OpenFileSetup.fileName;
    std::string SaveDialog2FileName = SaveDialog2Setup.fileName;
    std::string OpenDialog2FileName = OpenDialog2Setup.fileName;

    // The file the project in place was last loaded from or saved to by
    // "Speichern" (empty when none; "Neu" is the caller's to clear it). A load
    // sets it once the file's project is in place, also when its tables fail
    // to reach the device afterwards.
    std::string ProjectFileName;
    // Told of every project and calibration file loaded or saved.
    std::function<void(const FileEvent&)> Told;

    // The lines of the current state: records, the view's globals and check
    // boxes, TastHigh, SelectedSignal, the variables.
    void WriteProject(std::vector<std::string>& lines) const;
    // Writes the current state to a project file. Refuses (AbortError naming
    // the field) a text that cannot be stored; FileError when the file
    // cannot be written. Nothing is written in either case.
    void SaveProject(const std::string& fileName);
    // Loads a project file: all or nothing, then the steps after a load
    // (selection clamp, redraw, table reload, display, Enter action). A file
    // without one line of the format is refused with a message ("Datei ...
    // ist keine Tonvera-Projektdatei"); false then, and nothing changed.
    bool LoadProject(const std::string& fileName);
    // The second half of a load, for a project read or built elsewhere:
    // `next` replaces the working state and the globals, then the steps
    // after a load run. With freshTables false the tables are not sent
    // afresh: the next download sends those that differ from what the
    // device holds (a script playing one project after another).
    void AdoptProject(Project next, bool freshTables = true);
    // A load as "&Laden" does it, without the dialog: once the file's
    // project is in place the save dialog proposes the file, also when its
    // tables then fail to reach the device (the error still aborts), so the
    // next "&Speichern" cannot replace the previous file unasked.
    void OpenProject(const std::string& fileName);

    void SaveEichFile(const std::string& fileName);
    // A missing file: the message "Kann <name> Kalibrierung nicht öffnen!".
    // A file that cannot be read or holds more than 501 points aborts with
    // its message; the table is then unchanged.
    void LoadEichFile(const std::string& fileName);

    // "&Speichern", "&Laden", "Kalibrierdaten &speichern",
    // "Kalibrierdaten &laden". "&Speichern" returns whether the file was
    // written (false when the dialog was cancelled).
    bool Speichern1Click();               // "&Speichern" of "&Datei"
    void Laden1Click();                   // "&Laden" of "&Datei"
    void Kalibrierdatenspeichern1Click(); // "Kalibrierdaten &speichern" of "&Einstellungen"
    void Kalibrierdatenladen1Click();     // "Kalibrierdaten &laden" of "&Einstellungen"

private:
    void Tell(FileEvent::Kind what, FileEvent::Action done, const std::string& path, std::string sha256) const;

    MainForm& Form;
    ProjectLoadHooks& Hooks;
    // Counts the loads that put a project in place.
    std::uint64_t ProjectsLoaded = 0;
};

} // namespace tonvera
