// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a project file: tolerant of key case, order and unknown lines,
// strict about values.

#include <charconv>
#include <cstdint>

#include "files/Cp1252.h"
#include "files/ProjectFile.h"
#include "files/ProjectKeys.h"
#include "files/TextFile.h"
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

} // namespace

bool ParseProject(std::string_view fileBytes, Project& project, char separator)
{
    return Parser(fileBytes, project, separator).run();
}

} // namespace tonvera
