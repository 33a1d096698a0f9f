// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The project file (.tva): the eight signals with their tables, the global
// parameters and check boxes, the selected signal, the external-start
// polarity and the variables, as CR LF lines of Windows-1252 text.
//
// Loading parses the whole file into a Project value first and touches the
// working state only when that succeeded, so a damaged file never leaves a
// half-loaded set behind.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "files/LineReader.h"
#include "model/MainState.h"
#include "model/MainView.h"

namespace tonvera {

// The global parameters live in the main window's edits and check boxes,
// not in MainState; a project carries their values alongside.
struct ProjectGlobals {
    std::string Signaldauer;
    std::string Triggerstart;
    std::string Triggerstop;
    std::string EndDamp;
    std::string AnzWieder;
    // Indexed by CheckBox.
    std::array<bool, CheckBoxCount> Checks{};
    // "Reihenfolge"; "Neu" makes it ascending.
    OrderSetting Order;

    bool& check(CheckBox box) { return Checks[static_cast<std::size_t>(box)]; }
    [[nodiscard]] bool check(CheckBox box) const { return Checks[static_cast<std::size_t>(box)]; }
    // The text of one of the five global edits; RangeError for a signal's.
    [[nodiscard]] std::string& text(EditField field);
    [[nodiscard]] const std::string& text(EditField field) const;

    friend bool operator==(const ProjectGlobals&, const ProjectGlobals&) = default;
};

// Everything a project file holds, plus the rest of the working state that
// a load leaves as it was (calibration table, position, ...).
struct Project {
    MainState State;
    ProjectGlobals Globals;
};

// The globals as the view shows them now.
[[nodiscard]] ProjectGlobals ReadGlobals(const MainView& view);
// Puts the texts and check-box states into the view. Returns, per check
// box, whether its state changed, so the caller can run the click handlers.
std::array<bool, CheckBoxCount> ApplyGlobals(const ProjectGlobals& globals, MainView& view);

// The "Neu" reset on a project value, as MainForm::Neu1Click does it on the
// window (ResetToNew and NewGlobalTexts): "Unendlich" cleared, variables
// emptied, every slot unused with the default texts (tables, types and AM
// multiples stay), the four global parameters "1000", "100", "900", "0", no
// signal selected, the order ascending.
void ResetProject(Project& project);

// Appends the file's lines (UTF-8, without terminators) for this state.
// TabPara is written in its round-trip form with `separator`.
void WriteProject(const MainState& state, const ProjectGlobals& globals, std::vector<std::string>& lines,
                  char separator = ',');

// Refuses, with an AbortError that names the field, every text that could
// not be written or would not read back as what it was: a character without
// a Windows-1252 form, a line break, a NUL, a variable item that the reader
// would take for the head or end of a variable, a TabPara that is not
// finite; and what the reader would refuse: a variable with more than
// VariTable::MaxValues values, texts beyond MaxProjectTextBytes.
void CheckProjectTexts(const MainState& state, const ProjectGlobals& globals);

// The file's bytes: every line in Windows-1252, ended by CR LF. Throws
// AbortError when a line cannot be encoded (CheckProjectTexts names the
// field; this is the last guard).
[[nodiscard]] std::string ProjectFileBytes(const std::vector<std::string>& lines);

// Applies the lines of a file to `project` (which should hold the reset
// state already). The last line is never read. Throws IntConvertError,
// ConvertError, RangeError (signal number outside 0..7 when a line writes
// into it, more than 32768 table values), AbortError (a file that ends
// inside a Table section, a variable with more than VariTable::MaxValues
// values) or ListIndexError (variable slot outside 0..20 when an item goes
// into it), and FileError for what the reader refuses and for a file whose
// texts would take more than MaxProjectTextBytes; `project` is then partly
// changed and must be thrown away. Returns false when the file is no
// project: it holds a NUL byte, or not one of the Section lines
// "Signalparameters", "Global" and "Variables" among the lines read. A load
// must refuse such a file rather than leave an empty set behind; a value
// error in a file that is no project does not count.
[[nodiscard]] bool ReadProject(LineReader& lines, Project& project, char separator = ',');
// The same for bytes in memory.
[[nodiscard]] bool ParseProject(std::string_view fileBytes, Project& project, char separator = ',');

// "Datei <name> ist keine Tonvera-Projektdatei"
[[nodiscard]] std::string NotAProjectMessage(const std::string& fileName);

// "Die Variable '<name>' hat mehr als 100000 Werte"
[[nodiscard]] std::string TooManyValuesText(const std::string& name);

// What the texts of a project take in memory, counted as the heap does:
// the variables' items and the parameter and global texts. A file whose
// texts would take more is refused as too large, and a project that holds
// more is not saved, so that every saved project loads again. It leaves room
// for 21 variables of 100000 short values each.
inline constexpr std::size_t MaxProjectTextBytes = 80 * 1024 * 1024;
// One text's share: what a std::string of `size` bytes allocates, its own
// object not counted.
[[nodiscard]] std::size_t TextHeapBytes(std::size_t size);
[[nodiscard]] std::size_t ProjectTextBytes(const MainState& state, const ProjectGlobals& globals);

// "Die Datei ist unvollständig: ..." for a file that ends inside the Table
// section of `signal`; ParseProject throws it as an AbortError.
[[nodiscard]] std::string IncompleteTableText(int signal);

// A selected signal beyond the signals in use becomes the last one in use
// (-1 with none); a negative selection stays.
void ClampSelectedSignal(MainState& state);

// One line split as the reader splits it: leading spaces dropped, the key
// up to the first space (empty when there is none), the value after it
// without its leading spaces and equals signs. Case is left as it is.
struct KeyLine {
    std::string_view key;
    std::string_view value;
};
[[nodiscard]] KeyLine SplitKeyLine(std::string_view line);

} // namespace tonvera
