#include "files/ProjectFile.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "files/Cp1252.h"
#include "files/TextFile.h"
#include "model/Errors.h"
#include "model/MainForm.h"
#include "model/Numbers.h"
#include "model/ParamTable.h"
#include "model/RoundTripNumber.h"

namespace tonvera {

std::string IncompleteTableText(int signal)
{
    return "Die Datei ist unvollständig: die Tabelle von Signal " + std::to_string(signal) + " endet nicht";
}

namespace {

constexpr std::size_t TableLines = 256;
constexpr std::size_t TableColumns = 128;

const char* boolUpper(bool b) { return b ? "TRUE" : "False"; }

// The keys of a signal's lines in the Signalparameters section, in the
// order they are written; the reader takes them in any order. The signal's
// table section is written just before "Used".
enum class SignalItem { Number, Text, TabTyp, TabPara, Used };
struct SignalKey {
    std::string_view key;
    SignalItem item;
    int text = -1; // the record's text, for SignalItem::Text
};
constexpr std::array<SignalKey, 11> SignalKeys = {{
    {"Signalnumber", SignalItem::Number},
    {"Freq", SignalItem::Text, ParamFreq},
    {"Phase", SignalItem::Text, ParamPhase},
    {"Ampl", SignalItem::Text, ParamAmpl},
    {"Start", SignalItem::Text, ParamStart},
    {"Dach", SignalItem::Text, ParamDach},
    {"RampUp", SignalItem::Text, ParamRampUp},
    {"RampDown", SignalItem::Text, ParamRampDown},
    {"TabTyp", SignalItem::TabTyp},
    {"TabPara", SignalItem::TabPara},
    {"Used", SignalItem::Used},
}};

// The keys of the Global section, in the order they are written. Of the
// polarity only the line that holds is written; a file may carry either.
enum class GlobalItem { Text, Box, TastLow, TastHigh, Selected };
struct GlobalKey {
    std::string_view key;
    GlobalItem item;
    EditField field = EditField::Signaldauer; // for GlobalItem::Text
    CheckBox box = CheckBox::Repeated;        // for GlobalItem::Box
};
constexpr GlobalKey textKey(std::string_view key, EditField field) { return {key, GlobalItem::Text, field}; }
constexpr GlobalKey boxKey(std::string_view key, CheckBox box)
{
    return {key, GlobalItem::Box, EditField::Signaldauer, box};
}
constexpr std::array<GlobalKey, 19> GlobalKeys = {{
    textKey("Signallength", EditField::Signaldauer),
    textKey("TriggerStart", EditField::Triggerstart),
    textKey("TriggerStop", EditField::Triggerstop),
    textKey("AnzWieder", EditField::AnzWieder),
    boxKey("Repeated", CheckBox::Repeated),
    boxKey("RunVariables", CheckBox::varcheck),
    boxKey("StartCheck", CheckBox::StartCheck),
    boxKey("RampUpCheck", CheckBox::RampUpCheck),
    boxKey("FreqCheck", CheckBox::FreqCheck),
    boxKey("PhaseCheck", CheckBox::PhaseCheck),
    boxKey("AmplCheck", CheckBox::AmplCheck),
    boxKey("DachCheck", CheckBox::StopCheck),
    boxKey("RampDownCheck", CheckBox::RampDownCheck),
    boxKey("TypCheck", CheckBox::TypCheck),
    {"TastLow", GlobalItem::TastLow},
    {"TastHigh", GlobalItem::TastHigh},
    boxKey("ExternStart", CheckBox::ExternStart),
    {"SelectedSignal", GlobalItem::Selected},
    textKey("EndDamp", EditField::EndDamp),
}};

// The five global edits a project carries, in the order the view is read
// and written.
constexpr std::array<EditField, 5> GlobalFields = {EditField::Signaldauer, EditField::Triggerstart,
                                                   EditField::Triggerstop, EditField::EndDamp, EditField::AnzWieder};

template <typename Row, std::size_t N>
const Row* findKey(const std::array<Row, N>& rows, std::string_view key)
{
    for (const Row& r : rows)
        if (AsciiEqualNoCase(key, r.key))
            return &r;
    return nullptr;
}

std::string keyLine(std::string_view key, std::string_view value)
{
    std::string line = "  ";
    line.append(key).append(" = ").append(value);
    return line;
}

std::string upper(std::string_view s) { return AsciiUpper(s); }

// A value stored as text: upper-cased like every value, then brought from
// the file's code page into the program's UTF-8.
std::string textValue(std::string_view value) { return Cp1252ToUtf8(AsciiUpper(value)); }

bool isTrue(std::string_view value) { return AsciiEqualNoCase(value, "TRUE"); }

// A decimal integer: an optional sign and digits, nothing else, within
// 32 bits.
bool parseInt(std::string_view text, std::int32_t& out)
{
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;
        if (first == last || *first < '0' || *first > '9')
            return false;
    }
    auto [ptr, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && ptr == last;
}

std::int32_t intValue(std::string_view text)
{
    std::int32_t v = 0;
    if (!parseInt(text, v))
        throw IntConvertError(Cp1252ToUtf8(AsciiUpper(text)));
    return v;
}

std::string_view firstWord(std::string_view value) { return value.substr(0, value.find(' ')); }

class Parser {
public:
    Parser(std::string_view bytes, Project& project, char separator)
        : lines_(SplitLines(bytes)), p_(project), sep_(separator)
    {
    }

    // True when at least one line was one of the format's.
    bool run()
    {
        bool recognised = false;
        const std::size_t count = lines_.size();
        for (std::size_t i = 0; i + 1 < count; ++i)
            recognised = line(i) || recognised;
        return recognised;
    }

private:
    SinusRecord& current()
    {
        if (current_ < 0 || current_ >= SignalSlots)
            throw RangeError();
        return p_.State.SinusArray[static_cast<std::size_t>(current_)];
    }

    void setSignal(const SignalKey& k, std::string_view value)
    {
        switch (k.item) {
        case SignalItem::Number: current_ = intValue(value); break;
        case SignalItem::Text: current().Text(k.text) = textValue(value); break;
        case SignalItem::TabTyp: {
            const std::int32_t v = intValue(value);
            current().TabTyp = v;
            break;
        }
        case SignalItem::TabPara: {
            const std::string u = upper(value);
            const ParsedNumber n = TryConvertNumber(u, sep_);
            if (!n.valid)
                throw ConvertError(Cp1252ToUtf8(u));
            current().TabPara = n.value;
            break;
        }
        case SignalItem::Used: current().Used = isTrue(value); break;
        }
    }

    void setGlobal(const GlobalKey& k, std::string_view value)
    {
        switch (k.item) {
        case GlobalItem::Text: p_.Globals.text(k.field) = textValue(value); break;
        case GlobalItem::Box: p_.Globals.check(k.box) = isTrue(value); break;
        case GlobalItem::TastLow:
            if (isTrue(value))
                p_.State.TastHigh = false;
            break;
        case GlobalItem::TastHigh:
            if (isTrue(value))
                p_.State.TastHigh = true;
            break;
        case GlobalItem::Selected: p_.State.SelectedSignal = intValue(value); break;
        }
    }

    // Applies one line; false when it is none of the format's lines.
    bool line(std::size_t& i)
    {
        const KeyLine kl = SplitKeyLine(lines_[i]);
        const std::string_view key = kl.key;
        const std::string_view value = kl.value;
        if (key.empty())
            return false;
        if (const SignalKey* k = findKey(SignalKeys, key)) {
            setSignal(*k, value);
        } else if (const GlobalKey* g = findKey(GlobalKeys, key)) {
            setGlobal(*g, value);
        } else if (AsciiEqualNoCase(key, "SECTION")) {
            if (AsciiEqualNoCase(value, "TABLE"))
                readTableSection(current().Table, i);
            else if (AsciiEqualNoCase(value, "VARIABLES"))
                readVariablesSection(i);
            else
                return isSectionName(value);
        } else {
            return AsciiEqualNoCase(key, "END") && isSectionName(firstWord(value));
        }
        return true;
    }

    // The framing words of the format; they change nothing, but they say
    // that the file is a project.
    static bool isSectionName(std::string_view word)
    {
        for (const char* name : {"SIGNALPARAMETERS", "GLOBAL", "TABLE", "VARIABLES", "VARIABLE"})
            if (AsciiEqualNoCase(word, name))
                return true;
        return false;
    }

    // Reads the values of one table line into `table` from entry `next` on.
    // The line's text is read in place: a project holds 262144 of these
    // numbers, and copying each line first would double the load time.
    static void readTableLine(std::string_view line, WaveTable& table, std::size_t& next)
    {
        const char* p = line.data();
        const char* const end = p + line.size();
        for (;;) {
            while (p != end && *p == ' ')
                ++p;
            const char* tokenEnd = p;
            while (tokenEnd != end && *tokenEnd != ' ')
                ++tokenEnd;
            std::int32_t v = 0;
            if (!parseInt(std::string_view(p, static_cast<std::size_t>(tokenEnd - p)), v))
                throw IntConvertError(Cp1252ToUtf8(std::string_view(p, static_cast<std::size_t>(tokenEnd - p))));
            if (next >= WaveTable::Size)
                throw RangeError();
            table[next++] = v;
            if (tokenEnd == end)
                return;
            p = tokenEnd + 1;
            if (p == end)
                return;
        }
    }

    static bool isEndOf(std::string_view line, std::string_view word)
    {
        // Only a line whose first character (after spaces) is an E can be
        // an End line; table lines start with a digit or a minus.
        const std::size_t first = line.find_first_not_of(' ');
        if (first == std::string_view::npos || (line[first] != 'E' && line[first] != 'e'))
            return false;
        const KeyLine kl = SplitKeyLine(line);
        return AsciiEqualNoCase(kl.key, "END") && AsciiEqualNoCase(firstWord(kl.value), word);
    }

    void readTableSection(WaveTable& table, std::size_t& lineIndex)
    {
        ++lineIndex;
        std::size_t next = 0;
        const std::size_t count = lines_.size();
        while (lineIndex + 1 < count) {
            const std::string_view line = lines_[lineIndex];
            if (isEndOf(line, "TABLE"))
                break;
            ++lineIndex;
            readTableLine(line, table, next);
        }
        // A file that ends inside a table was cut short (a full disk, a
        // broken copy): its table and everything after it are missing.
        if (lineIndex + 1 >= count && !(lineIndex < count && isEndOf(lines_[lineIndex], "TABLE")))
            throw AbortError(IncompleteTableText(current_));
        --lineIndex;
    }

    void readVariablesSection(std::size_t& lineIndex)
    {
        VariTable& vt = p_.State.VariTable;
        vt.Clear();
        std::int32_t slot = -1;
        const std::size_t count = lines_.size();
        while (lineIndex + 1 < count) {
            const std::string_view line = lines_[lineIndex];
            const KeyLine kl = SplitKeyLine(line);
            const std::string_view word = firstWord(kl.value);
            const bool isEnd = AsciiEqualNoCase(kl.key, "END");
            // The section's end line is never an item, even in a slot left
            // open: as an item it would end the section of the next save.
            if (isEnd && AsciiEqualNoCase(word, "VARIABLES"))
                break;
            if (AsciiEqualNoCase(kl.key, "VARIABLE")) {
                slot = intValue(AsciiUpper(word));
            } else if (isEnd && AsciiEqualNoCase(word, "VARIABLE")) {
                slot = -1;
            } else if (slot >= 0) {
                const std::size_t first = line.find_first_not_of(' ');
                const std::string_view item = first == std::string_view::npos ? std::string_view() : line.substr(first);
                vt.slot(slot).push_back(Cp1252ToUtf8(item));
            }
            ++lineIndex;
        }
        --lineIndex;
    }

    std::vector<std::string_view> lines_;
    Project& p_;
    char sep_;
    std::int32_t current_ = 0;
};

// The message name of a signal's text field, in the window's words.
std::string signalField(int signal, int param)
{
    return std::string(Params[static_cast<std::size_t>(param)].name) + " von Signal " + std::to_string(signal);
}

std::string codePointText(char32_t cp)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
    return buf;
}

void checkText(std::string_view text, const std::string& field)
{
    if (text.find_first_of("\r\n") != std::string_view::npos)
        throw AbortError("Der Text in " + field + " enthält einen Zeilenumbruch und kann nicht gespeichert werden");
    if (const auto bad = FindUnencodable(text))
        throw AbortError("Das Zeichen '" + bad->character + "' (" + codePointText(bad->codePoint) + ") in " + field +
                         " kann nicht gespeichert werden");
}

// The reader takes a line "Variable n" for the head of slot n and
// "End Variable(s) ..." for the end of a slot or of the section, whatever
// it was written for.
bool readsAsFraming(std::string_view item)
{
    const KeyLine kl = SplitKeyLine(item);
    if (AsciiEqualNoCase(kl.key, "VARIABLE"))
        return true;
    const std::string_view word = firstWord(kl.value);
    return AsciiEqualNoCase(kl.key, "END") &&
           (AsciiEqualNoCase(word, "VARIABLE") || AsciiEqualNoCase(word, "VARIABLES"));
}

void appendInt(std::string& out, std::int32_t v)
{
    char buf[16];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr);
}

// A table section: 256 lines of 128 values, each value after a space.
void writeTable(const WaveTable& table, std::vector<std::string>& lines)
{
    lines.emplace_back("  Section Table");
    for (std::size_t k = 0; k < TableLines; ++k) {
        std::string line;
        line.reserve(4 + TableColumns * 8);
        line.append(4, ' ');
        for (std::size_t j = 0; j < TableColumns; ++j) {
            line.push_back(' ');
            appendInt(line, table[k * TableColumns + j]);
        }
        lines.push_back(std::move(line));
    }
    lines.emplace_back("  End Table");
}

} // namespace

KeyLine SplitKeyLine(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    line.remove_prefix(first);
    KeyLine kl;
    const std::size_t p = line.find(' ');
    if (p == std::string_view::npos) {
        kl.value = line;
    } else {
        kl.key = line.substr(0, p);
        kl.value = line.substr(p + 1);
    }
    const std::size_t v = kl.value.find_first_not_of(" =");
    kl.value = v == std::string_view::npos ? std::string_view() : kl.value.substr(v);
    return kl;
}

std::string& ProjectGlobals::text(EditField field)
{
    return const_cast<std::string&>(static_cast<const ProjectGlobals&>(*this).text(field));
}

const std::string& ProjectGlobals::text(EditField field) const
{
    switch (field) {
    case EditField::Signaldauer: return Signaldauer;
    case EditField::Triggerstart: return Triggerstart;
    case EditField::Triggerstop: return Triggerstop;
    case EditField::EndDamp: return EndDamp;
    case EditField::AnzWieder: return AnzWieder;
    default: throw RangeError();
    }
}

ProjectGlobals ReadGlobals(const MainView& view)
{
    ProjectGlobals g;
    for (const EditField field : GlobalFields)
        g.text(field) = view.editText(field);
    for (int b = 0; b < CheckBoxCount; ++b)
        g.Checks[static_cast<std::size_t>(b)] = view.isChecked(static_cast<CheckBox>(b));
    return g;
}

std::array<bool, CheckBoxCount> ApplyGlobals(const ProjectGlobals& g, MainView& view)
{
    for (const EditField field : GlobalFields)
        view.setEditText(field, g.text(field));
    std::array<bool, CheckBoxCount> changed{};
    for (int b = 0; b < CheckBoxCount; ++b) {
        const auto box = static_cast<CheckBox>(b);
        const bool want = g.Checks[static_cast<std::size_t>(b)];
        if (view.isChecked(box) != want) {
            view.setChecked(box, want);
            changed[static_cast<std::size_t>(b)] = true;
        }
    }
    return changed;
}

void ResetProject(Project& project)
{
    project.Globals.check(CheckBox::Repeated) = false;
    ResetToNew(project.State);
    for (const NewGlobalText& t : NewGlobalTexts)
        project.Globals.text(t.field) = std::string(t.text);
}

void WriteProject(const MainState& state, const ProjectGlobals& g, std::vector<std::string>& lines, char separator)
{
    lines.reserve(lines.size() + SignalSlots * 269 + 70);
    lines.emplace_back("Section Signalparameters");
    for (int n = 0; n < SignalSlots; ++n) {
        const SinusRecord& r = state.SinusArray[static_cast<std::size_t>(n)];
        for (const SignalKey& k : SignalKeys) {
            switch (k.item) {
            case SignalItem::Number: lines.push_back(keyLine(k.key, std::to_string(n))); break;
            case SignalItem::Text: lines.push_back(keyLine(k.key, r.Text(k.text))); break;
            case SignalItem::TabTyp: lines.push_back(keyLine(k.key, std::to_string(r.TabTyp))); break;
            case SignalItem::TabPara: lines.push_back(keyLine(k.key, FormatRoundTrip(r.TabPara, separator))); break;
            case SignalItem::Used:
                writeTable(r.Table, lines);
                lines.push_back(keyLine(k.key, r.Used ? "True" : "False"));
                break;
            }
        }
    }
    lines.emplace_back("End Signalparameters");
    lines.emplace_back("Section Global");
    for (const GlobalKey& k : GlobalKeys) {
        switch (k.item) {
        case GlobalItem::Text: lines.push_back(keyLine(k.key, g.text(k.field))); break;
        case GlobalItem::Box: lines.push_back(keyLine(k.key, boolUpper(g.check(k.box)))); break;
        case GlobalItem::TastLow:
            if (!state.TastHigh)
                lines.push_back(keyLine(k.key, "TRUE"));
            break;
        case GlobalItem::TastHigh:
            if (state.TastHigh)
                lines.push_back(keyLine(k.key, "True"));
            break;
        case GlobalItem::Selected: lines.push_back(keyLine(k.key, std::to_string(state.SelectedSignal))); break;
        }
    }
    lines.emplace_back("End Global");
    lines.emplace_back("Section Variables");
    for (int s = 0; s < VariTable::SlotCount; ++s) {
        lines.push_back("  Variable " + std::to_string(s));
        for (const std::string& item : state.VariTable.slot(s))
            lines.push_back("    " + item);
        lines.push_back("  End Variable " + std::to_string(s));
    }
    lines.emplace_back("End Variables");
}

void CheckProjectTexts(const MainState& state, const ProjectGlobals& g)
{
    for (int n = 0; n < SignalSlots; ++n) {
        const SinusRecord& r = state.SinusArray[static_cast<std::size_t>(n)];
        for (int t = 0; t < LocalEditCount; ++t)
            checkText(r.Text(t), signalField(n, t));
        if (!std::isfinite(r.TabPara))
            throw AbortError("Der Trägerfaktor von Signal " + std::to_string(n) + " kann nicht gespeichert werden");
    }
    checkText(g.Signaldauer, std::string(Params[ParamSignaldauer].name));
    checkText(g.Triggerstart, std::string(Params[ParamTriggerstart].name));
    checkText(g.Triggerstop, std::string(Params[ParamTriggerstop].name));
    checkText(g.EndDamp, std::string(Params[ParamEndDamp].name));
    checkText(g.AnzWieder, "Wiederholungen");
    for (int s = 0; s < VariTable::SlotCount; ++s) {
        const std::string field = "Variable " + std::to_string(s);
        for (const std::string& item : state.VariTable.slot(s)) {
            checkText(item, field);
            if (readsAsFraming(item))
                throw AbortError("Der Eintrag '" + item + "' in " + field +
                                 " würde beim Laden als Kopf- oder Endzeile einer Variablen gelesen und kann "
                                 "nicht gespeichert werden");
        }
    }
}

std::string ProjectFileBytes(const std::vector<std::string>& lines)
{
    std::size_t total = 0;
    for (const std::string& l : lines)
        total += l.size() + 2;
    std::string out;
    out.reserve(total);
    for (const std::string& l : lines) {
        if (!AppendCp1252(l, out)) {
            const auto bad = FindUnencodable(l);
            throw AbortError("Das Zeichen '" + (bad ? bad->character : std::string("?")) +
                             "' kann nicht gespeichert werden");
        }
        out += "\r\n";
    }
    return out;
}

bool ParseProject(std::string_view fileBytes, Project& project, char separator)
{
    return Parser(fileBytes, project, separator).run();
}

std::string NotAProjectMessage(const std::string& fileName)
{
    return "Datei " + fileName + " ist keine Tonvera-Projektdatei";
}

void ClampSelectedSignal(MainState& state)
{
    const std::int32_t used = UsedCount(state.SinusArray);
    if (state.SelectedSignal >= used)
        state.SelectedSignal = used - 1;
}

} // namespace tonvera
