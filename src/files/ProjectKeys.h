// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The project file's keys and layout, shared by its reader and its writer
// so that the two cannot drift apart. Internal to the files layer.

#include <array>
#include <cstddef>
#include <string_view>

#include "files/TextFile.h"
#include "model/MainView.h"
#include "model/Numbers.h"
#include "model/ParamTable.h"

namespace tonvera::projectfile {

constexpr std::size_t TableLines = 256;
constexpr std::size_t TableColumns = 128;

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
// The order's lines come last and only when the order is not ascending, so
// that a project saved with the old settings keeps its old bytes.
enum class GlobalItem { Text, Box, TastLow, TastHigh, Selected, Order, OrderSeed, OrderList };
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
constexpr std::array<GlobalKey, 22> GlobalKeys = {{
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
    {"Order", GlobalItem::Order},
    {"OrderSeed", GlobalItem::OrderSeed},
    {"OrderList", GlobalItem::OrderList},
}};

// The words of the Order line, by OrderKind.
constexpr std::array<std::string_view, 3> OrderWords = {"Ascending", "Random", "List"};

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

inline std::string_view firstWord(std::string_view value) { return value.substr(0, value.find(' ')); }

} // namespace tonvera::projectfile
