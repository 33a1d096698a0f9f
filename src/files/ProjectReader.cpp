// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a project file: tolerant of key case, order and unknown lines,
// strict about values.

#include <charconv>
#include <cstdint>

#include "files/Cp1252.h"
#include "files/ProjectFile.h"
#include "files/ProjectKeys.h"
#include "files/LineReader.h"
#include "model/Errors.h"
#include "model/MainForm.h"
#include "model/Numbers.h"
#include "model/RoundTripNumber.h"

namespace tonvera {

namespace {

using namespace projectfile;

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

// The Section lines that only a project has; "Table" is left out, since a
// table section says nothing without the signal around it.
bool isProjectSection(const KeyLine& kl)
{
    if (!AsciiEqualNoCase(kl.key, "SECTION"))
        return false;
    for (const char* name : {"SIGNALPARAMETERS", "GLOBAL", "VARIABLES"})
        if (AsciiEqualNoCase(kl.value, name))
            return true;
    return false;
}

class Parser {
public:
    Parser(LineReader& lines, Project& project, char separator)
        : in_(lines), p_(project), sep_(separator), held_(ProjectTextBytes(project.State, project.Globals))
    {
    }

    // Every line but the last, in order; the section readers take the lines
    // of their sections.
    void run()
    {
        std::string_view line;
        while (in_.next(line) && in_.more())
            this->line(line);
    }

    // After a value error: whether a project's Section line follows among
    // the lines still to read.
    bool sectionFollows()
    {
        std::string_view line;
        while (in_.next(line) && in_.more())
            if (isProjectSection(SplitKeyLine(line)))
                return true;
        return false;
    }

    [[nodiscard]] bool sawSection() const { return sawSection_; }

private:
    SinusRecord& current()
    {
        if (current_ < 0 || current_ >= SignalSlots)
            throw RangeError();
        return p_.State.SinusArray[static_cast<std::size_t>(current_)];
    }

    // Keeps the count of what the project's texts take; a file that holds
    // more than any project is refused before it fills the memory.
    void hold(std::size_t added, std::size_t dropped = 0)
    {
        held_ = held_ + added - dropped;
        if (held_ > MaxProjectTextBytes)
            throw FileError(TooLargeText(in_.fileName()));
    }

    void setText(std::string& field, std::string_view value)
    {
        std::string text = textValue(value);
        hold(TextHeapBytes(text.size()), TextHeapBytes(field.size()));
        field = std::move(text);
        field.shrink_to_fit();
    }

    void setSignal(const SignalKey& k, std::string_view value)
    {
        switch (k.item) {
        case SignalItem::Number: current_ = intValue(value); break;
        case SignalItem::Text: setText(current().Text(k.text), value); break;
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
        case GlobalItem::Text: setText(p_.Globals.text(k.field), value); break;
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
        case GlobalItem::Order:
            // A word this version does not know leaves the order as it was.
            for (std::size_t w = 0; w < OrderWords.size(); ++w)
                if (AsciiEqualNoCase(value, OrderWords[w]))
                    p_.Globals.Order.Kind = static_cast<OrderKind>(w);
            break;
        case GlobalItem::OrderSeed: setText(p_.Globals.Order.Seed, value); break;
        case GlobalItem::OrderList: setText(p_.Globals.Order.List, value); break;
        }
    }

    void line(std::string_view text)
    {
        const KeyLine kl = SplitKeyLine(text);
        if (kl.key.empty())
            return;
        if (const SignalKey* k = findKey(SignalKeys, kl.key)) {
            setSignal(*k, kl.value);
        } else if (const GlobalKey* g = findKey(GlobalKeys, kl.key)) {
            setGlobal(*g, kl.value);
        } else if (AsciiEqualNoCase(kl.key, "SECTION")) {
            sawSection_ = sawSection_ || isProjectSection(kl);
            if (AsciiEqualNoCase(kl.value, "TABLE"))
                readTableSection(current().Table);
            else if (AsciiEqualNoCase(kl.value, "VARIABLES"))
                readVariablesSection();
        }
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

    // From the line after "Section Table" to its "End Table", which changes
    // nothing else and so is not handed back.
    void readTableSection(WaveTable& table)
    {
        std::size_t next = 0;
        std::string_view line;
        // A file that ends inside a table was cut short (a full disk, a
        // broken copy): its table and everything after it are missing. The
        // last line may end the table, though it is never read otherwise.
        while (in_.next(line)) {
            if (isEndOf(line, "TABLE"))
                return;
            if (!in_.more())
                break;
            readTableLine(line, table, next);
        }
        throw AbortError(IncompleteTableText(current_));
    }

    void dropVariables()
    {
        std::size_t bytes = 0;
        for (const VariTable::Slot& s : p_.State.VariTable.slots())
            for (const std::string& item : s)
                bytes += sizeof(std::string) + TextHeapBytes(item.size());
        p_.State.VariTable.Clear();
        hold(0, bytes);
    }

    void addItem(VariTable::Slot& items, std::string_view text)
    {
        if (items.size() > static_cast<std::size_t>(VariTable::MaxValues))
            throw AbortError(TooManyValuesText(items.front()));
        std::string item = Cp1252ToUtf8(text);
        hold(sizeof(std::string) + TextHeapBytes(item.size()));
        item.shrink_to_fit();
        items.push_back(std::move(item));
    }

    // From the line after "Section Variables" to "End Variables" (not handed back:
    // it changes nothing) or to the last line, which stays unread.
    void readVariablesSection()
    {
        dropVariables();
        readVariableLines();
        // The lists grew by doubling; what they hold is what is counted.
        for (int i = 0; i < VariTable::SlotCount; ++i)
            p_.State.VariTable.slot(i).shrink_to_fit();
    }

    void readVariableLines()
    {
        VariTable& vt = p_.State.VariTable;
        std::int32_t slot = -1;
        std::string_view line;
        while (in_.next(line) && in_.more()) {
            const KeyLine kl = SplitKeyLine(line);
            const std::string_view word = firstWord(kl.value);
            const bool isEnd = AsciiEqualNoCase(kl.key, "END");
            // The section's end line is never an item, even in a slot left
            // open: as an item it would end the section of the next save.
            if (isEnd && AsciiEqualNoCase(word, "VARIABLES"))
                return;
            if (AsciiEqualNoCase(kl.key, "VARIABLE")) {
                slot = intValue(AsciiUpper(word));
            } else if (isEnd && AsciiEqualNoCase(word, "VARIABLE")) {
                slot = -1;
            } else if (slot >= 0) {
                const std::size_t first = line.find_first_not_of(' ');
                addItem(vt.slot(slot), first == std::string_view::npos ? std::string_view() : line.substr(first));
            }
        }
    }

    LineReader& in_;
    Project& p_;
    char sep_;
    std::size_t held_;
    std::int32_t current_ = 0;
    bool sawSection_ = false;
};

} // namespace

bool ReadProject(LineReader& lines, Project& project, char separator)
{
    Parser parser(lines, project, separator);
    try {
        parser.run();
        return parser.sawSection();
    } catch (const NulByteFound&) {
        return false;
    } catch (const FileError&) {
        throw;
    } catch (const AbortError&) {
        // A value that does not convert says nothing about a file that has
        // no Section line at all: such a file is no project, whatever its
        // lines made of the reader. The rest is read only as far as the
        // first Section line.
        if (parser.sawSection())
            throw;
        bool project = false;
        try {
            project = parser.sectionFollows();
        } catch (const NulByteFound&) {
        }
        if (!project)
            return false;
        throw;
    }
}

bool ParseProject(std::string_view fileBytes, Project& project, char separator)
{
    LineReader lines(fileBytes, {}, true);
    return ReadProject(lines, project, separator);
}

} // namespace tonvera
