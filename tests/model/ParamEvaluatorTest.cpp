// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "model/Errors.h"
#include "model/ParamEvaluator.h"
#include "model/VariTable.h"
#include "support/RecordingDialogs.h"

namespace tonvera {
namespace {

using test::RecordingDialogs;
using Texts = std::vector<std::string>;

class Evaluation : public ::testing::Test {
protected:
    VariTable table;
    RecordingDialogs dialogs;
    std::int32_t pos = 1;

    ParamEvaluator eval() { return ParamEvaluator(table, pos, dialogs); }
    std::string check(const std::string& text, int index, bool checkParam = true)
    {
        return eval().RangeCheck(text, index, checkParam);
    }
};

TEST_F(Evaluation, ExpressionWithVariableAtPosition)
{
    table.slot(0) = {"a", "1", "2", "4,5"};
    pos = 3;
    EXPECT_DOUBLE_EQ(eval().ParamValue("2*A+1"), 10);
    pos = 0;
    EXPECT_DOUBLE_EQ(eval().ParamValue("2*A+1"), 3);
    pos = 2;
    EXPECT_DOUBLE_EQ(eval().ParamValue("3*a-1"), 5);
    EXPECT_DOUBLE_EQ(eval().ParamValue("a"), 2);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Evaluation, LaterSlotWinsForEqualNames)
{
    table.slot(0) = {"A", "1"};
    table.slot(1) = {"a", "7"};
    EXPECT_DOUBLE_EQ(eval().ParamValue("A"), 7);
    EXPECT_EQ(eval().VariableRef("A"), "-2");
    EXPECT_EQ(eval().VariableRef("b1"), "B1");
    EXPECT_EQ(eval().VariableRef("1,5"), "1,5");
}

TEST_F(Evaluation, UnknownOperandsReportAndFail)
{
    EXPECT_EQ(eval().ParamValue("abc"), -10);
    EXPECT_EQ(dialogs.texts(), Texts{"ABC ist kein gültiger Wert!"});
    EXPECT_EQ(dialogs.messages[0].title, "Achtung");

    dialogs.clear();
    EXPECT_EQ(eval().ParamValue("-5"), -10);
    EXPECT_EQ(dialogs.texts(), Texts{" ist kein gültiger Wert!"});

    dialogs.clear();
    EXPECT_EQ(eval().ParamValue(""), -10);
    EXPECT_EQ(dialogs.texts(), Texts{" ist kein gültiger Wert!"});

    // Exponents with a sign split the text.
    dialogs.clear();
    EXPECT_EQ(eval().ParamValue("1E-3"), -10);
    EXPECT_EQ(dialogs.texts(), Texts{"1E ist kein gültiger Wert!"});
}

TEST_F(Evaluation, MessagesComeInTheOrderOffsetOperandFactor)
{
    const EvalResult r = eval().EvalParam("f*o+x");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(dialogs.texts(),
              (Texts{"X ist kein gültiger Wert!", "O ist kein gültiger Wert!", "F ist kein gültiger Wert!"}));
    // The value is computed from the failure values all the same.
    EXPECT_DOUBLE_EQ(r.value, -10 * -10 + -10);
}

TEST_F(Evaluation, OnlyTheFirstStarAndPlusCount)
{
    EXPECT_EQ(eval().ParamValue("2*3*4"), -10);
    EXPECT_EQ(dialogs.texts(), Texts{"3*4 ist kein gültiger Wert!"});
    dialogs.clear();
    EXPECT_DOUBLE_EQ(eval().ParamValue("2*3+4"), 10);
    EXPECT_DOUBLE_EQ(eval().ParamValue("5-2"), 3);
    EXPECT_DOUBLE_EQ(eval().ParamValue("1,5*2"), 3);
    // A blank after a number makes it invalid; one before it is allowed.
    EXPECT_EQ(eval().ParamValue("2 * 3"), -10);
    EXPECT_EQ(dialogs.texts(), Texts{"2  ist kein gültiger Wert!"});
}

TEST_F(Evaluation, VariableValueOfMinusTenFailsSilently)
{
    table.slot(0) = {"m", "-10"};
    EXPECT_EQ(eval().EvalParam("m").ok, false);
    EXPECT_EQ(eval().ParamValue("m"), -10);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Evaluation, ReadingBeyondAVariablesValuesAborts)
{
    table.slot(0) = {"a", "1", "2"};
    pos = 3;
    try {
        eval().ParamValue("a");
        FAIL() << "no error";
    } catch (const ListIndexError& e) {
        EXPECT_STREQ(e.what(), "Listenindex überschreitet das Maximum (3)");
    }
    table.slot(0) = {"a"};
    pos = 0;
    EXPECT_THROW(eval().ParamValue("a"), ListIndexError);
}

TEST_F(Evaluation, NonNumericVariableValueOrPointAborts)
{
    table.slot(0) = {"a", "x"};
    EXPECT_THROW(eval().ParamValue("a"), ConvertError);
    try {
        eval().ParamValue("1.5");
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'1.5' ist kein gültiger Gleitkommawert");
    }
}

TEST_F(Evaluation, RangeCheckQuantisesWithTiesToEven)
{
    EXPECT_EQ(check("2,5", 0), "2");
    EXPECT_EQ(check("3,5", 0), "4");
    EXPECT_EQ(check("10", 8), "9,75");
    EXPECT_EQ(check("123456,78", 3), "123457");
    EXPECT_EQ(check("0,0004", 1), "0");
    EXPECT_EQ(check("0,0006", 1), "0,001");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Evaluation, RampTimesSnapToWhatTheDeviceCanDo)
{
    EXPECT_EQ(check("1", 5), "1,00007");
    EXPECT_EQ(check("0,002", 5), "0,002");
    EXPECT_EQ(check("250", 5), "246,724");
    EXPECT_EQ(check("250", 6), "246,724");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(check("300", 5), "250");
    EXPECT_EQ(dialogs.texts(), Texts{"Parameter Anstiegszeit ist außerhalb des zulässigen Bereichs!"});
}

TEST_F(Evaluation, RampTimesWithoutASnappedValueAreOutOfRange)
{
    // 0 after quantising, and times where the increment would round to 0,
    // have no ramp time the device can play.
    EXPECT_EQ(check("0", 5), "0,002");
    EXPECT_EQ(check("0,0004", 6), "0,002");
    EXPECT_EQ(check("9000", 5), "250");
    EXPECT_EQ(check("8388,608", 6), "250");
    EXPECT_EQ(dialogs.texts(), (Texts{"Parameter Anstiegszeit ist außerhalb des zulässigen Bereichs!",
                                      "Parameter Abfallzeit ist außerhalb des zulässigen Bereichs!",
                                      "Parameter Anstiegszeit ist außerhalb des zulässigen Bereichs!",
                                      "Parameter Abfallzeit ist außerhalb des zulässigen Bereichs!"}));
    dialogs.clear();
    EXPECT_EQ(check("0", 5, false), "0");
    EXPECT_EQ(check("9000", 5, false), "9000");
    EXPECT_EQ(check("1E300", 6, false), "1E300");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Evaluation, OutOfRangeClampsOnlyWhileChecking)
{
    EXPECT_EQ(check("20", 4), "25");
    EXPECT_EQ(dialogs.texts(), Texts{"Parameter Dachzeit ist außerhalb des zulässigen Bereichs!"});
    EXPECT_EQ(dialogs.messages[0].title, "Achtung");
    dialogs.clear();
    EXPECT_EQ(check("20", 4, false), "20");
    EXPECT_EQ(check("2000000", 9, false), "2E6");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(check("100", 8), "81");
    EXPECT_EQ(check("-5", 3), "0");
    EXPECT_EQ(dialogs.texts(), (Texts{"Parameter Schlußdämpfung ist außerhalb des zulässigen Bereichs!",
                                      "Parameter Start ist außerhalb des zulässigen Bereichs!"}));
}

TEST_F(Evaluation, ExpressionsAndNamesPassUnchecked)
{
    table.slot(0) = {"a", "1000000"};
    EXPECT_EQ(check("a", 0), "a");
    EXPECT_EQ(check("2*A", 0), "2*A");
    EXPECT_EQ(check("A+1", 5), "A+1");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Evaluation, TextsThatDoNotEvaluateBecomeZero)
{
    EXPECT_EQ(check("", 0), "1");
    EXPECT_EQ(dialogs.texts(),
              (Texts{" ist kein gültiger Wert!", "Parameter Frequenz ist außerhalb des zulässigen Bereichs!"}));
    dialogs.clear();
    EXPECT_EQ(check("xyz", 3), "0");
    EXPECT_EQ(dialogs.texts(), Texts{"XYZ ist kein gültiger Wert!"});
    dialogs.clear();
    EXPECT_EQ(check("1E400", 3), "0"); // too large for a double: not a number
    EXPECT_EQ(dialogs.texts(), Texts{"1E400 ist kein gültiger Wert!"});
}

TEST_F(Evaluation, RangeCheckOfANumberWithAPointAborts)
{
    EXPECT_THROW(check("1.5", 0), ConvertError);
    EXPECT_THROW(check("1", 12), RangeError);
    EXPECT_THROW(check("1", -1), RangeError);
}

} // namespace
} // namespace tonvera
