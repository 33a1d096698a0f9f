// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>

#include "model/Errors.h"
#include "model/Numbers.h"

namespace tonvera {
namespace {

TEST(Rounding, TiesGoToEven)
{
    EXPECT_EQ(rnd(2.5), 2.0);
    EXPECT_EQ(rnd(3.5), 4.0);
    EXPECT_EQ(rnd(-2.5), -2.0);
    EXPECT_EQ(rnd(0.5), 0.0);
    EXPECT_EQ(rnd(2.5000001), 3.0);
    EXPECT_EQ(rnd(2.5L), 2.0L);
    EXPECT_EQ(rnd(-3.5L), -4.0L);
    EXPECT_EQ(rnd(-0.5), 0.0);
    EXPECT_EQ(rnd(-1.5), -2.0);
    EXPECT_EQ(rnd(4503599627370497.0), 4503599627370497.0); // 2^52 + 1 stays
    EXPECT_EQ(rnd(0.49999999999999994), 0.0);
    EXPECT_TRUE(std::isinf(rnd(HUGE_VAL)));
}

TEST(Rounding, DoesNotDependOnTheRoundingMode)
{
    const int saved = std::fegetround();
    std::fesetround(FE_UPWARD);
    const double up = rnd(2.5);
    const double down = rnd(-2.2);
    std::fesetround(saved);
    EXPECT_EQ(up, 2.0);
    EXPECT_EQ(down, -2.0);
}

TEST(NumberTest, AcceptsTheNumberSyntaxWithCommaOrPoint)
{
    struct Case {
        const char* text;
        double value;
    };
    for (const Case& c :
         {Case{"1", 1}, Case{"1,5", 1.5}, Case{"1.5", 1.5}, Case{"  7", 7}, Case{"+3", 3}, Case{"-3", -3},
          Case{",5", 0.5}, Case{"5,", 5}, Case{"1E3", 1000}, Case{"1e-3", 0.001}, Case{"2,5E+2", 250}, Case{"0", 0}}) {
        const ParsedNumber p = ParseNumber(c.text);
        EXPECT_TRUE(p.valid) << c.text;
        EXPECT_DOUBLE_EQ(p.value, c.value) << c.text;
    }
}

TEST(NumberTest, RejectsWhatIsNotANumber)
{
    for (const char* t : {"", " ", "+", "-", ",", "1,5,3", "1.5,3", "1,5.3", "1 ", "1E", "1E+", "abc", "0x10", "1-2",
                          "inf", "nan", "1e999", "--1", "1,,5"}) {
        EXPECT_FALSE(ParseNumber(t).valid) << '"' << t << '"';
    }
}

TEST(NumberConversion, AcceptsOnlyTheGivenSeparator)
{
    EXPECT_DOUBLE_EQ(ConvertNumber("4,5", ','), 4.5);
    EXPECT_DOUBLE_EQ(ConvertNumber("-1.50", '.'), -1.5);
    try {
        (void)ConvertNumber("1.5", ',');
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'1.5' ist kein gültiger Gleitkommawert");
    }
    EXPECT_THROW((void)ConvertNumber("1,5", '.'), ConvertError);
    EXPECT_THROW((void)ConvertNumber("", ','), ConvertError);
    EXPECT_FALSE(TryConvertNumber("x", ',').valid);
}

TEST(GeneralFormat, SixSignificantDigitsAndTheDecimalComma)
{
    EXPECT_EQ(FormatGeneral(1), "1");
    EXPECT_EQ(FormatGeneral(0.002), "0,002");
    EXPECT_EQ(FormatGeneral(246.7240080), "246,724");
    EXPECT_EQ(FormatGeneral(123456.78), "123457");
    EXPECT_EQ(FormatGeneral(-12.5), "-12,5");
    EXPECT_EQ(FormatGeneral(0), "0");
    EXPECT_EQ(FormatGeneral(-0.0), "0");
    EXPECT_EQ(FormatGeneral(0.0001), "0,0001");
    EXPECT_EQ(FormatGeneral(1.5, 6, '.'), "1.5");
    EXPECT_EQ(FormatGeneral4(9.75), "9,75");
    EXPECT_EQ(FormatGeneral4(12.3456), "12,35");
}

TEST(GeneralFormat, LargeAndTinyValuesReadBackAndEvaluateAsWritten)
{
    EXPECT_EQ(FormatGeneral(999999.7), "1E6");
    EXPECT_EQ(FormatGeneral(1234567), "1,23457E6");
    EXPECT_EQ(FormatGeneral(-2e20), "-2E20");
    EXPECT_EQ(FormatGeneral(1.5e-7), "0,00000015");
    for (double v : {1e6, 1234567.0, 3.5e100, 1.5e-7, 7e-20, 1e300, -4.25e9}) {
        const std::string text = FormatGeneral(v);
        EXPECT_EQ(text.find('+'), std::string::npos) << text;
        const ParsedNumber p = ParseNumber(text);
        ASSERT_TRUE(p.valid) << text;
        EXPECT_EQ(p.value, ConvertNumber(text, ',')) << text;
        EXPECT_NEAR(p.value, v, std::abs(v) * 1e-5) << text;
        if (v > 0) {
            EXPECT_EQ(text.find('-'), std::string::npos) << text;
        }
    }
}

TEST(GeneralFormat, ShownTotalsTakeTheExponentFormOnlyAtBothEnds)
{
    EXPECT_EQ(FormatGeneralShown(999999.7), "1E+0006");
    EXPECT_EQ(FormatGeneralShown(-32345678), "-3,23457E+0007");
    EXPECT_EQ(FormatGeneralShown(2.5e300, 6, '.'), "2.5E+0300");
    EXPECT_EQ(FormatGeneralShown(1e-9), "1E-0009");
    EXPECT_EQ(FormatGeneralShown(1.25e-6), "1,25E-0006");
    // In between, the plain form of every other number.
    EXPECT_EQ(FormatGeneralShown(999999.4), "999999");
    EXPECT_EQ(FormatGeneralShown(0.00001), "0,00001");
    EXPECT_EQ(FormatGeneralShown(4.5), "4,5");
    EXPECT_EQ(FormatGeneralShown(0), "0");
}

TEST(FixedFormat, PointFormsOfTheCalibrationFiles)
{
    EXPECT_EQ(FormatFixed(1000, 0), "1000");
    EXPECT_EQ(FormatFixed(999.5, 0), "1000");
    EXPECT_EQ(FormatFixed(1000.5, 0), "1001");
    EXPECT_EQ(FormatFixed(0.004, 2), "0.00");
    EXPECT_EQ(FormatFixed(0.006, 2), "0.01");
    EXPECT_EQ(FormatFixed(0, 2), "0.00");
    EXPECT_EQ(FormatFixed(-1.5, 2), "-1.50");
    EXPECT_EQ(FormatFixed(-0.001, 2), "-0.00");
    EXPECT_EQ(FormatFixed(-0.4, 0), "-0");
    EXPECT_EQ(FormatFixed(-0.0, 2), "0.00");
    EXPECT_EQ(FormatFixed(4.7, 2), "4.70");
    EXPECT_EQ(FormatFixed(4.7, 2, ','), "4,70");
}

TEST(IntegerTextOf, RoundsTiesToEven)
{
    EXPECT_EQ(IntegerText(2.5), "2");
    EXPECT_EQ(IntegerText(10), "10");
    EXPECT_EQ(IntegerText(-0.4), "0");
    EXPECT_EQ(IntegerText(-3.6), "-4");
}

TEST(AsciiFolding, OnlyLettersAtoZChange)
{
    EXPECT_EQ(AsciiUpper("abc äö 1+z"), "ABC äö 1+Z");
    EXPECT_TRUE(AsciiEqualNoCase("Amp", "aMP"));
    EXPECT_FALSE(AsciiEqualNoCase("ä", "Ä"));
    EXPECT_FALSE(AsciiEqualNoCase("a ", "a"));
}

} // namespace
} // namespace tonvera
