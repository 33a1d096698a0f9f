// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "model/Errors.h"
#include "model/VariTable.h"
#include "support/RecordingDialogs.h"

namespace tonvera {
namespace {

using test::RecordingDialogs;

class Variables : public ::testing::Test {
protected:
    VariTable table;
    RecordingDialogs dialogs;

    void add(const std::string& name, std::initializer_list<const char*> values = {})
    {
        ASSERT_TRUE(table.AddVariable(name, dialogs)) << name;
        VariTable::Slot& s = table.slot(table.LookupSlot(name));
        for (const char* v : values)
            s.emplace_back(v);
    }
};

TEST_F(Variables, NameRules)
{
    for (const char* bad : {"", "1abc", "9"}) {
        dialogs.clear();
        EXPECT_FALSE(table.AddVariable(bad, dialogs)) << bad;
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, "Ungültiger Variablenbezeichner!");
        EXPECT_EQ(dialogs.messages[0].title, "Achtung");
    }
    EXPECT_EQ(table.variableCount(), 0);

    dialogs.clear();
    for (const char* good : {"a1", " b", "x+y", "ä"})
        EXPECT_TRUE(table.AddVariable(good, dialogs)) << good;
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(table.slot(0)[0], "a1");
    EXPECT_EQ(table.slot(3)[0], "ä");

    // ASCII letters fold, umlauts do not.
    EXPECT_FALSE(table.AddVariable("A1", dialogs));
    EXPECT_TRUE(table.AddVariable("Ä", dialogs));
    EXPECT_EQ(table.variableCount(), 5);
}

TEST_F(Variables, FullTableRefusesWithoutAsking)
{
    for (int i = 0; i < VariTable::SlotCount; ++i)
        add("v" + std::to_string(i));
    dialogs.inputAnswers.push_back("neu");
    EXPECT_FALSE(table.AskAndAddVariable(dialogs));
    EXPECT_TRUE(dialogs.inputBoxes.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Keine weiteren Variablen möglich!");
    EXPECT_EQ(dialogs.messages[0].title, "Achtung");
    EXPECT_FALSE(table.AddVariable("w", dialogs));
}

TEST_F(Variables, AskingUsesTheInputBoxAndCancelIsRefused)
{
    dialogs.inputAnswers.push_back("freq");
    EXPECT_TRUE(table.AskAndAddVariable(dialogs));
    ASSERT_EQ(dialogs.inputBoxes.size(), 1u);
    EXPECT_EQ(dialogs.inputBoxes[0].caption, "Neue Variable");
    EXPECT_EQ(dialogs.inputBoxes[0].prompt, "Bitte Variablenbezeichner eingeben");
    EXPECT_EQ(dialogs.inputBoxes[0].defaultText, "");

    dialogs.inputAnswers.push_back(std::nullopt);
    EXPECT_FALSE(table.AskAndAddVariable(dialogs));
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Ungültiger Variablenbezeichner!"});
    EXPECT_EQ(table.variableCount(), 1);
}

TEST_F(Variables, DeleteShiftsLaterSlotsDown)
{
    add("a", {"1", "2", "3"});
    add("b", {"5", "6"});
    add("c", {"7"});
    dialogs.inputAnswers.push_back("A");
    EXPECT_TRUE(table.AskAndDeleteVariable(dialogs));
    EXPECT_EQ(dialogs.inputBoxes.at(0).caption, "Variable löschen");
    EXPECT_EQ(dialogs.inputBoxes.at(0).prompt, "Bitte Variablennamen eingeben");
    EXPECT_EQ(table.slot(0), (VariTable::Slot{"b", "5", "6"}));
    EXPECT_EQ(table.slot(1), (VariTable::Slot{"c", "7"}));
    EXPECT_TRUE(table.slot(2).empty());
    EXPECT_TRUE(table.slot(20).empty());
    EXPECT_EQ(table.PositionCount(), 2);

    // A new variable lands in the freed slot with nothing left over.
    add("d");
    EXPECT_EQ(table.slot(2), (VariTable::Slot{"d"}));
}

TEST_F(Variables, DeletingAMissingNameChangesNothing)
{
    add("a", {"1"});
    EXPECT_FALSE(table.DeleteVariable("b", dialogs));
    dialogs.inputAnswers.push_back(std::nullopt);
    EXPECT_FALSE(table.AskAndDeleteVariable(dialogs));
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"Variable nicht vorhanden", "Variable nicht vorhanden"}));
    EXPECT_EQ(dialogs.messages[1].title, "Achtung");
    EXPECT_EQ(table.variableCount(), 1);
}

TEST_F(Variables, DeletingTheLastSlotOfAFullTable)
{
    for (int i = 0; i < VariTable::SlotCount; ++i)
        add("v" + std::to_string(i), {"1"});
    EXPECT_TRUE(table.DeleteVariable("V20", dialogs));
    EXPECT_TRUE(table.slot(20).empty());
    EXPECT_TRUE(table.DeleteVariable("v0", dialogs));
    EXPECT_EQ(table.slot(0)[0], "v1");
    EXPECT_EQ(table.variableCount(), 19);
}

TEST_F(Variables, ValuesByPosition)
{
    add("a", {"10", "20"});
    EXPECT_EQ(table.ValueText(0, 0), "10");
    EXPECT_EQ(table.ValueText(0, 1), "10");
    EXPECT_EQ(table.ValueText(0, 2), "20");
    try {
        table.ValueText(0, 3);
        FAIL() << "no error";
    } catch (const ListIndexError& e) {
        EXPECT_STREQ(e.what(), "Listenindex überschreitet das Maximum (3)");
    }
    EXPECT_THROW(table.ValueText(0, -1), ListIndexError);
    add("b");
    EXPECT_THROW(table.ValueText(1, 0), ListIndexError);
    EXPECT_THROW(table.ValueText(21, 1), ListIndexError);
}

TEST_F(Variables, LookupTakesTheLastMatchingSlot)
{
    // Names are unique when added through the commands; a loaded file may
    // still hold two that fold to the same name.
    table.slot(0) = {"A", "1"};
    table.slot(1) = {"a", "2"};
    EXPECT_EQ(table.LookupSlot("A"), 1);
    EXPECT_EQ(table.FirstSlot("A"), 0);
    EXPECT_EQ(table.LookupSlot("x"), -1);
    EXPECT_EQ(table.PositionCount(), 1);
    table.Clear();
    EXPECT_EQ(table.PositionCount(), -1);
    EXPECT_EQ(table.variableCount(), 0);
}

} // namespace
} // namespace tonvera
