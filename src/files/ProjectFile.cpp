// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ProjectFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "files/Cp1252.h"
#include "files/ProjectKeys.h"
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

using namespace projectfile;

const char* boolUpper(bool b) { return b ? "TRUE" : "False"; }

std::string keyLine(std::string_view key, std::string_view value)
{
    std::string line = "  ";
    line.append(key).append(" = ").append(value);
    return line;
}

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

// Room for the key before a text on its line.
constexpr std::size_t MaxTextBytes = MaxLineBytes - 64;

// The text's length in the file: one byte for each character.
std::size_t fileBytes(std::string_view utf8)
{
    std::size_t n = 0;
    for (char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

void checkText(std::string_view text, const std::string& field)
{
    if (text.find_first_of("\r\n") != std::string_view::npos)
        throw AbortError("Der Text in " + field + " enthält einen Zeilenumbruch und kann nicht gespeichert werden");
    // The reader takes a file with a NUL byte for a program or data file.
    if (text.find('\0') != std::string_view::npos)
        throw AbortError("Der Text in " + field + " enthält ein Nullzeichen und kann nicht gespeichert werden");
    if (fileBytes(text) > MaxTextBytes)
        throw AbortError("Der Text in " + field + " ist zu lang und kann nicht gespeichert werden");
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
    g.Order = view.order();
    return g;
}

std::array<bool, CheckBoxCount> ApplyGlobals(const ProjectGlobals& g, MainView& view)
{
    for (const EditField field : GlobalFields)
        view.setEditText(field, g.text(field));
    view.setOrder(g.Order);
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
    project.Globals.Order = {};
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
        case GlobalItem::Order:
            if (g.Order.Kind != OrderKind::Ascending)
                lines.push_back(keyLine(k.key, OrderWords[static_cast<std::size_t>(g.Order.Kind)]));
            break;
        case GlobalItem::OrderSeed:
            if (g.Order.Kind != OrderKind::Ascending && !g.Order.Seed.empty())
                lines.push_back(keyLine(k.key, g.Order.Seed));
            break;
        case GlobalItem::OrderList:
            if (g.Order.Kind != OrderKind::Ascending && !g.Order.List.empty())
                lines.push_back(keyLine(k.key, g.Order.List));
            break;
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
    checkText(g.Order.Seed, "Startwert");
    checkText(g.Order.List, "Liste der Reihenfolge");
    for (int s = 0; s < VariTable::SlotCount; ++s) {
        const std::string field = "Variable " + std::to_string(s);
        const VariTable::Slot& items = state.VariTable.slot(s);
        if (items.size() > static_cast<std::size_t>(VariTable::MaxValues) + 1)
            throw AbortError(TooManyValuesText(items.front()) + " und kann nicht gespeichert werden");
        for (const std::string& item : items) {
            checkText(item, field);
            if (readsAsFraming(item))
                throw AbortError("Der Eintrag '" + item + "' in " + field +
                                 " würde beim Laden als Kopf- oder Endzeile einer Variablen gelesen und kann "
                                 "nicht gespeichert werden");
        }
    }
    if (ProjectTextBytes(state, g) > MaxProjectTextBytes)
        throw AbortError("Das Projekt enthält zu viel Text und kann nicht gespeichert werden");
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

std::string NotAProjectMessage(const std::string& fileName)
{
    return "Datei " + QuotedName(fileName) + " ist keine Tonvera-Projektdatei";
}

std::string TooManyValuesText(const std::string& name)
{
    return "Die Variable '" + QuotedInput(name) + "' hat mehr als " + std::to_string(VariTable::MaxValues) + " Werte";
}

std::size_t TextHeapBytes(std::size_t size)
{
    // A short text lives inside the string; a longer one takes a block of
    // the heap, which adds its header and rounds up to 16 bytes.
    constexpr std::size_t Inline = 15;
    if (size <= Inline)
        return 0;
    return std::max<std::size_t>(32, (size + 1 + 8 + 15) & ~std::size_t(15));
}

std::size_t ProjectTextBytes(const MainState& state, const ProjectGlobals& g)
{
    std::size_t bytes = 0;
    for (const SinusRecord& r : state.SinusArray)
        for (int t = 0; t < LocalEditCount; ++t)
            bytes += TextHeapBytes(r.Text(t).size());
    for (const EditField field : GlobalFields)
        bytes += TextHeapBytes(g.text(field).size());
    bytes += TextHeapBytes(g.Order.Seed.size()) + TextHeapBytes(g.Order.List.size());
    for (const VariTable::Slot& s : state.VariTable.slots())
        for (const std::string& item : s)
            bytes += sizeof(std::string) + TextHeapBytes(item.size());
    return bytes;
}

void ClampSelectedSignal(MainState& state)
{
    const std::int32_t used = UsedCount(state.SinusArray);
    if (state.SelectedSignal >= used)
        state.SelectedSignal = used - 1;
}

} // namespace tonvera
